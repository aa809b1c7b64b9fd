#include "shell/SetupDialog.h"

#include "diagram/Diagram.h"
#include "model/Actions.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "shell/Help.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>

#include <cmath>

namespace zov {

namespace {

constexpr int DialogWidth = 240;
constexpr int DialogHeight = 432;
constexpr QPoint InitialPlace { 448, 300 };

int clampTo(double v, int low, int high)
{
    if (!std::isfinite(v))
        return low <= 0 && high >= 0 ? 0 : low;
    if (v < low)
        return low;
    if (v > high)
        return high;
    return int(rt::Round(v));
}

QScrollBar* newScrollBar(QWidget* parent, const char* name, int low, int high, int small, int large)
{
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromUtf8(name));
    bar->setRange(low, high);
    bar->setSingleStep(small);
    bar->setPageStep(large);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

QPushButton* newButton(QWidget* parent, const char* name, const char* caption, const char* hint)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    if (hint)
        button->setToolTip(QString::fromUtf8(hint));
    button->setAutoDefault(false);
    return button;
}

// The size as the dialog shows it: one decimal, the user's decimal separator.
QString sizeText(double size)
{
    if (!std::isfinite(size))
        return {};
    return QLocale().toString(size, 'f', 1).rightJustified(3, u' ');
}

QRect screenArea(const QWidget* w)
{
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TEditNum

TEditNum::TEditNum(QWidget* parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ ]*[-+]?[0-9]*")), this));
    connect(this, &QLineEdit::textEdited, this, &TEditNum::Typed);
}

int TEditNum::Value() const
{
    const QString t = text();
    qsizetype i = 0;
    while (i < t.size() && t[i] == u' ')
        ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    std::int64_t v = 0;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9' && v < 1000000000)
        v = v * 10 + (t[i++].unicode() - u'0');
    return int(negative ? -v : v);
}

void TEditNum::SetValue(int value)
{
    setText(QString::number(value));
}

void TEditNum::Typed(const QString& text)
{
    if (!ScrollBar)
        return;
    bool ok = false;
    const int typed = text.trimmed().toInt(&ok);
    if (!ok)
        return; // not a whole number yet: nothing moves
    ScrollBar->setValue(typed);
    // The scroll bar keeps the number in its range; when it did not move, the edit must still
    // show the value it holds.
    if (ScrollBar->value() != typed)
        SetValue(ScrollBar->value());
}

// ---------------------------------------------------------------------------------------------
// TShape

TShape::TShape(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
}

void TShape::SetBrushColor(const QColor& color)
{
    m_color = color;
    update();
}

void TShape::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (OnMouseDown)
        OnMouseDown();
}

void TShape::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        p.fillRect(contentsRect(), m_color);
    }
    QFrame::paintEvent(event);
}

// ---------------------------------------------------------------------------------------------
// TSetup

namespace {

QLabel* newLabel(QWidget* parent, const char* name, const char* caption, QRect place)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(place);
    return label;
}

QCheckBox* newCheck(QWidget* parent, const char* name, const char* caption, QRect place)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(place);
    return box;
}

TEditNum* newEdit(QWidget* parent, const char* name, QScrollBar* bar, int maxLength, QRect place)
{
    auto* edit = new TEditNum(parent);
    edit->setObjectName(QString::fromUtf8(name));
    edit->ScrollBar = bar;
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setGeometry(place);
    return edit;
}

QWidget* newPanel(QWidget* parent, const char* name)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromUtf8(name));
    panel->setGeometry(0, 128, DialogWidth, 262);
    panel->hide();
    return panel;
}

// The colours of racing boats 1, 2 and 3, offered as the colour dialog's custom colours.
constexpr QRgb BoatColors[] = { 0xFF2880FF, 0xFFFFFF50, 0xFF80FF80 };

constexpr std::uint32_t Opaque = 0xFF000000;
constexpr std::uint32_t RgbMask = 0x00FFFFFF;

// Each later step, one after the other, from the step after Obj.
template <class F> void forLaterSteps(TObjet* obj, F f)
{
    for (TObjet* o = obj->FNext; o; o = o->FNext)
        f(o);
}

} // namespace

int SetupLevel(const TObjet* obj)
{
    if (dynamic_cast<const TBateauCourse*>(obj))
        return 6;
    if (dynamic_cast<const TBateauJuge*>(obj) || dynamic_cast<const TBateauWJ*>(obj))
        return 5;
    if (dynamic_cast<const TBateauComite*>(obj) || dynamic_cast<const TSpectateur*>(obj))
        return 4;
    if (dynamic_cast<const TFleche*>(obj) || dynamic_cast<const TLigne*>(obj) || dynamic_cast<const TCurve*>(obj))
        return 3;
    if (dynamic_cast<const TDrapeau*>(obj) || dynamic_cast<const TBouee*>(obj))
        return 2;
    if (dynamic_cast<const TPerso*>(obj))
        return 1;
    return 0;
}

TSetup::TSetup(QWidget* parent)
    : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Boat setup"));
    setObjectName(QStringLiteral("Setup"));
    setFixedSize(DialogWidth, DialogHeight);
    move(InitialPlace);

    Heading1 = newLabel(this, "Heading1", "Heading", { 12, 8, 120, 16 });
    Heading = newScrollBar(this, "Heading", -180, 180, 1, 10);
    Heading->setGeometry(12, 28, 152, 17);
    Edit1 = newEdit(this, "Edit1", Heading, 4, { 172, 26, 56, 21 });
    Heading1->setBuddy(Heading);

    Label1 = newLabel(this, "Label1", "Size", { 12, 56, 120, 16 });
    ScrollBar1 = newScrollBar(this, "ScrollBar1", 25, 150, 5, 5);
    ScrollBar1->setValue(50);
    ScrollBar1->setGeometry(12, 76, 152, 17);
    Edit2 = newEdit(this, "Edit2", ScrollBar1, 0, { 172, 74, 56, 21 });
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::NoFocus);
    Edit2->setToolTip(QStringLiteral("Object size"));
    Edit2->setText(sizeText(1.0));

    Label5 = newLabel(this, "Label5", "Color", { 12, 104, 40, 16 });
    Shape1 = new TShape(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(60, 104, 68, 16);
    Shape1->OnMouseDown = [this] { Shape1MouseDown(); };
    for (int i = 0; i < 3; ++i)
        QColorDialog::setCustomColor(i, QColor(BoatColors[i]));

    CreateBoatPanel();
    CreateOtherPanels();

    Button3 = newButton(this, "Button3", "&Free", "To leave insert mode");
    Button3->setGeometry(12, 396, 104, 25);
    Button3->setEnabled(false);
    Button4 = newButton(this, "Button4", "&Delete", "To delete this object");
    Button4->setGeometry(124, 396, 104, 25);

    // F1 on these opens their page of the help.
    for (QWidget* control : { static_cast<QWidget*>(Heading), static_cast<QWidget*>(Ratio), static_cast<QWidget*>(ArcAngle) })
        SetHelpContext(control, HelpContextSetupAngles);
    SetHelpContext(ScrollBar1, HelpContextSetupSize);
    SetHelpContext(CheckBox1, HelpContextSetupChecks);
    SetHelpContext(ckClockwise, HelpContextSetupChecks);

    connect(Heading, &QScrollBar::valueChanged, this, &TSetup::ChangeHeading);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TSetup::ChangeSize);
}

void TSetup::CreateBoatPanel()
{
    PanelBoat = newPanel(this, "PanelBoat");
    QWidget* p = PanelBoat;
    Label7 = newLabel(p, "Label7", "Boat Type", { 12, 4, 70, 16 });
    ComboBox2 = new QComboBox(p);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({ QStringLiteral("Keelboat/Dinghy"), QStringLiteral("Multihull"), QStringLiteral("Optimist"),
        QStringLiteral("Trimaran") });
    ComboBox2->setGeometry(84, 0, 144, 22);

    CheckBox1 = newCheck(p, "CheckBox1", "Visible", { 12, 30, 80, 18 });
    CheckBox1->setChecked(true);
    Outline = newCheck(p, "Outline", "Circle -->", { 100, 30, 90, 18 });
    Edit3 = newEdit(p, "Edit3", nullptr, 1, { 196, 28, 32, 21 });
    Edit3->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]?")), Edit3));
    Edit3->setText(QStringLiteral("3"));
    Edit3->setEnabled(false);
    Edit3->setToolTip(QStringLiteral("Circle size (unit = boat length)"));

    Label2 = newLabel(p, "Label2", "Overlapped", { 12, 58, 80, 16 });
    ComboBox1 = new QComboBox(p);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({ QStringLiteral("None"), QStringLiteral("Port"), QStringLiteral("Starboard") });
    ComboBox1->setGeometry(100, 56, 128, 22);

    ckSpinnaker = newCheck(p, "ckSpinnaker", "Spinnaker", { 12, 84, 100, 18 });
    ckAsymetric = newCheck(p, "ckAsymetric", "Asymetric", { 120, 84, 108, 18 });
    ManualTrimming = newCheck(p, "ManualTrimming", "Manual sail trimming", { 12, 108, 216, 18 });

    Label4 = newLabel(p, "Label4", "Sail", { 12, 134, 44, 16 });
    ScrollBar2 = newScrollBar(p, "ScrollBar2", -180, 180, 1, 10);
    ScrollBar2->setGeometry(60, 134, 104, 17);
    ScrollBar2->setEnabled(false);
    Edit4 = newEdit(p, "Edit4", ScrollBar2, 4, { 172, 132, 56, 21 });
    Edit4->setEnabled(false);

    Label3 = newLabel(p, "Label3", "Ratio", { 12, 164, 44, 16 });
    Ratio = newScrollBar(p, "Ratio", -50, 100, 1, 10);
    Ratio->setGeometry(60, 164, 104, 17);
    Edit5 = newEdit(p, "Edit5", Ratio, 4, { 172, 162, 56, 21 });
    Edit5->setEnabled(false);

    Button1 = newButton(p, "Button1", "Insert &after", "To insert a new occurence of this object");
    Button1->setGeometry(12, 228, 104, 25);
    Button2 = newButton(p, "Button2", "Insert &before", nullptr);
    Button2->setGeometry(124, 228, 104, 25);

    // Check boxes report programmatic changes too, as the filling and the hull choice rely on.
    connect(ComboBox2, &QComboBox::activated, this, &TSetup::ChangeHull);
    connect(CheckBox1, &QCheckBox::toggled, this, &TSetup::ChangeVisible);
    connect(Outline, &QCheckBox::toggled, this, &TSetup::ChangeOutline);
    connect(Edit3, &QLineEdit::textChanged, this, &TSetup::ChangeRayonOutline);
    connect(ComboBox1, &QComboBox::activated, this, &TSetup::ChangeOverlap);
    connect(ckSpinnaker, &QCheckBox::toggled, this, &TSetup::ChangeSpinnaker);
    connect(ckAsymetric, &QCheckBox::toggled, this, &TSetup::ChangeAsymetric);
    connect(ManualTrimming, &QCheckBox::toggled, this, &TSetup::ManualTrimmingClick);
    connect(ScrollBar2, &QScrollBar::valueChanged, this, &TSetup::ChangeReglage);
    connect(Ratio, &QScrollBar::valueChanged, this, &TSetup::ChangeRatio);
}

void TSetup::CreateOtherPanels()
{
    PanelPict = newPanel(this, "PanelPict");
    ckBackground = newCheck(PanelPict, "ckBackground", "Background", { 12, 8, 120, 18 });
    ckTransparent = newCheck(PanelPict, "ckTransparent", "Transparent", { 12, 32, 120, 18 });
    ckTransparent->setEnabled(false);

    PanelFlag = newPanel(this, "PanelFlag");
    ckPicture = newCheck(PanelFlag, "ckPicture", "Use Picture", { 12, 8, 120, 18 });
    ckPicture->setEnabled(false);

    PanelCurve = newPanel(this, "PanelCurve");
    Label6 = newLabel(PanelCurve, "Label6", "Arc Angle", { 12, 8, 120, 16 });
    ArcAngle = newScrollBar(PanelCurve, "ArcAngle", 0, 360, 1, 10);
    ArcAngle->setGeometry(12, 28, 152, 17);
    Edit6 = newEdit(PanelCurve, "Edit6", ArcAngle, 4, { 172, 26, 56, 21 });
    ckClockwise = newCheck(PanelCurve, "ckClockwise", "Clockwise", { 12, 56, 120, 18 });
    ckClockwise->setChecked(true);

    connect(ckBackground, &QCheckBox::toggled, this, &TSetup::ChangeBackground);
    connect(ArcAngle, &QScrollBar::valueChanged, this, &TSetup::ChangeArcAngle);
    connect(ckClockwise, &QCheckBox::toggled, this, &TSetup::ChangeClockwise);
}

DiagramLink* TSetup::Target() const
{
    return m_diagram ? m_diagram : Diagram;
}

void TSetup::Refresh(TObjet* obj)
{
    Trace("Setup.Refresh");
    FObjet = obj;
    if (!obj)
        return;
    m_updating = true;
    // The filling below fires the controls' handlers; they change nothing while it runs.
    struct Filling {
        bool& flag;
        ~Filling() { flag = false; }
    } filling { m_updating };

    Edit1->ScrollBar = Heading;
    Edit2->ScrollBar = ScrollBar1;
    Edit4->ScrollBar = ScrollBar2;
    Edit5->ScrollBar = Ratio;
    Edit6->ScrollBar = ArcAngle;

    setWindowTitle(QString::fromStdString(obj->KindName()) + QStringLiteral(" setup"));

    // A value the controls cannot hold (a damaged file) is shown clamped; the object keeps it.
    Heading->setValue(clampTo(double(obj->FHeading), -180, 180));
    Edit1->SetValue(Heading->value());
    ScrollBar1->setValue(clampTo(double(obj->FSize) * 50.0, 25, 150));
    Edit2->setText(sizeText(double(obj->FSize)));
    Outline->setChecked((obj->FFlags & flOutline) != 0);
    // The object's own circle size; one the edit cannot hold is shown as none.
    Edit3->setText(obj->FRayonOutline == 0 ? QStringLiteral("3")
            : obj->FRayonOutline > 0 && obj->FRayonOutline <= 9 ? QString::number(obj->FRayonOutline)
                                                                : QString());

    // Away from the object: at the left of the screen when the object is in the right half.
    if (auto* d = dynamic_cast<TDiagram*>(Target())) {
        const QRect area = screenArea(this);
        const double sx = (double(obj->FX) - d->FView.x) * double(d->FZoom);
        move(sx > area.width() / 2 ? area.left() + 10 : area.left() + area.width() - width() - 10, y());
    }

    const int level = SetupLevel(obj);
    const bool mark = dynamic_cast<TBouee*>(obj) != nullptr;
    PanelBoat->setVisible(level >= 4 || mark);
    PanelCurve->setVisible(dynamic_cast<TCurve*>(obj) != nullptr);
    PanelPict->setVisible(dynamic_cast<TPerso*>(obj) != nullptr);
    PanelFlag->setVisible(dynamic_cast<TDrapeau*>(obj) != nullptr);
    Label1->setEnabled(level >= 1);
    Edit2->setEnabled(level >= 1);
    ScrollBar1->setEnabled(level >= 1);
    Shape1->setVisible(level >= 2);
    Label5->setVisible(level >= 2);
    Shape1->SetBrushColor(QColor(QRgb(obj->FColor)));
    Heading1->setVisible(level >= 3);
    Heading->setVisible(level >= 3);
    Edit1->setVisible(level >= 3);
    Outline->setEnabled(level >= 4 || mark);
    Edit3->setEnabled(Outline->isEnabled() && Outline->isChecked());
    Button1->setEnabled(level >= 5);
    Button2->setEnabled(level >= 5);
    for (QWidget* w : std::initializer_list<QWidget*> { CheckBox1, Label2, ComboBox1, ManualTrimming, ckSpinnaker,
             Label4, Label3 })
        w->setEnabled(level >= 6);
    ckAsymetric->setEnabled(level >= 6 && ckSpinnaker->isChecked());
    ScrollBar2->setEnabled(level >= 6 && ManualTrimming->isChecked());
    Edit4->setEnabled(ScrollBar2->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*> { ComboBox2, Label7, Ratio, Edit5 })
        w->setEnabled(level == 6);

    if (level == 6)
        FillRacingBoat();
    else if (auto* picture = dynamic_cast<TPerso*>(obj))
        ckBackground->setChecked(picture->FSituation == -1);
    else if (auto* curve = dynamic_cast<TCurve*>(obj)) {
        ArcAngle->setValue(clampTo(double(curve->FArcAngle), 0, 360));
        Edit6->SetValue(ArcAngle->value());
        ckClockwise->setChecked(curve->FDirection == 0);
    }

    m_updating = false;
    show();
    Trace("Setup.Done");
}

void TSetup::FillRacingBoat()
{
    auto* boat = static_cast<TBateauCourse*>(FObjet);
    ScrollBar2->setValue(clampTo(boat->FReglage, -180, 180));
    Edit4->SetValue(ScrollBar2->value());
    CheckBox1->setChecked((boat->FFlags & flVisible) != 0);
    ComboBox1->setCurrentIndex(!(boat->FFlags & flOverlap) ? 0 : (boat->FFlags & flOverlapStarboard) ? 2 : 1);
    ManualTrimming->setChecked(boat->FManualTrimming != 0);
    ckSpinnaker->setChecked(boat->FSpinnaker != 0);
    ckAsymetric->setEnabled(boat->FSpinnaker != 0);
    ckAsymetric->setChecked(boat->FAsymetric != 0);
    ScrollBar2->setEnabled(boat->FManualTrimming != 0);
    Edit4->setEnabled(boat->FManualTrimming != 0);
    Ratio->setValue(clampTo(boat->FRatio, -50, 100));
    Edit5->SetValue(Ratio->value());
    // A hull type outside the list selects nothing; the boat keeps it.
    ComboBox2->setCurrentIndex(boat->FHull >= 0 && boat->FHull < ComboBox2->count() ? boat->FHull : -1);
    ShowHullControls(boat->FHull);
}

// The ratio belongs to keelboats and dinghies; an Optimist has no spinnaker; a multihull's
// spinnaker is asymmetric. While filling, the check marks only show this.
void TSetup::ShowHullControls(std::int32_t hull)
{
    Label3->setEnabled(hull == 0);
    Ratio->setEnabled(hull == 0);
    Edit5->setEnabled(hull == 0);
    ckSpinnaker->setEnabled(hull != 2);
    if (hull == 2)
        ckSpinnaker->setChecked(false);
    if (hull == 1)
        ckAsymetric->setChecked(true);
}

void TSetup::SetFreeButtonEnabled(bool enabled, bool focus)
{
    Button3->setEnabled(enabled);
    if (enabled && focus)
        Button3->setFocus();
}

void TSetup::KeepClearOf(int sx)
{
    const QRect area = screenArea(this);
    if (sx > (area.width() * 2) / 3)
        move(area.left() + 10, y());
    else if (sx < area.width() / 3)
        move(area.left() + area.width() - width() - 10, y());
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TSetup::ChangeHeading(int position)
{
    if (!FObjet)
        return;
    Edit1->SetValue(position);
    if (m_updating)
        return;
    DiagramLink* d = Target();
    CurrentDiagramScope current(d); // the rotation's undo record goes to that diagram
    FObjet->Rotate(false, float(position));
    Changed();
}

void TSetup::ChangeSize(int position)
{
    if (!FObjet)
        return;
    const float size = float(position) / 50.0f;
    Edit2->setText(sizeText(double(size)));
    if (m_updating)
        return;
    // One record restores the object and its later steps alike.
    if (DiagramLink* d = Target())
        d->PushUndo<TActionSize>(FObjet);
    for (TObjet* o = FObjet; o; o = o->FNext)
        o->SetSize(size);
    Changed();
}

void TSetup::Shape1MouseDown()
{
    TObjet* obj = FObjet;
    if (!obj)
        return;
    QColorDialog dialog(QColor(QRgb(obj->FColor)), this);
    if (ui::Dialogs().Exec(dialog) != QDialog::Accepted)
        return;
    // The dialog ran events: the object must still be the one shown.
    if (FObjet != obj)
        return;
    const QColor chosen = dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
    const std::uint32_t rgb = chosen.rgb() & RgbMask;
    if (!chosen.isValid() || rgb == (obj->FColor & RgbMask))
        return;
    Shape1->SetBrushColor(QColor(QRgb(rgb)));
    for (TObjet* o = obj; o; o = o->FNext)
        o->FColor = Opaque | rgb;
    Changed();
}

void TSetup::ManualTrimmingClick(bool checked)
{
    ScrollBar2->setEnabled(checked);
    Edit4->setEnabled(checked);
    auto* boat = dynamic_cast<TBateauCourse*>(FObjet);
    if (!Editing() || !boat)
        return;
    boat->FManualTrimming = checked ? 1 : 0;
    Changed();
    if (!checked) {
        // Only shown: the automatic trim, run by the redraw, owns the sail angle again.
        const QSignalBlocker quiet(ScrollBar2);
        ScrollBar2->setValue(clampTo(boat->FReglage, -180, 180));
        Edit4->SetValue(ScrollBar2->value());
    }
}

void TSetup::ChangeReglage(int position)
{
    if (!FObjet)
        return;
    Edit4->SetValue(position);
    auto* boat = dynamic_cast<TBateauCourse*>(FObjet);
    if (!Editing() || !boat)
        return;
    boat->FReglage = std::int16_t(position); // within -180..180
    Changed();
}

void TSetup::ChangeVisible(bool checked)
{
    if (!Editing())
        return;
    if (checked)
        FObjet->FFlags |= flVisible;
    else
        FObjet->FFlags &= std::uint16_t(~flVisible);
    FObjet->InvalidatePath();
    // A hidden step shares its number with the step after it.
    RenumberFrom(FObjet);
    Changed();
}

void TSetup::ChangeOutline(bool checked)
{
    Edit3->setEnabled(checked);
    if (!Editing())
        return;
    if (checked)
        FObjet->FFlags |= flOutline;
    else
        FObjet->FFlags &= std::uint16_t(~flOutline);
    Changed();
}

void TSetup::ChangeRayonOutline()
{
    if (!Editing())
        return;
    const QString t = Edit3->text().trimmed();
    if (t.isEmpty())
        return; // being retyped: the circle keeps its size
    FObjet->FRayonOutline = std::int16_t(Edit3->Value()); // one digit
    Changed();
}

void TSetup::ChangeOverlap(int item)
{
    if (!Editing())
        return;
    FObjet->FFlags &= std::uint16_t(~(flOverlap | flOverlapStarboard));
    if (item == 1)
        FObjet->FFlags |= flOverlap;
    else if (item == 2)
        FObjet->FFlags |= flOverlap | flOverlapStarboard;
    Changed();
}

void TSetup::ChangeRatio(int position)
{
    if (!FObjet)
        return;
    Edit5->SetValue(position);
    if (m_updating)
        return;
    if (auto* boat = dynamic_cast<TBateauCourse*>(FObjet)) {
        if (DiagramLink* d = Target())
            d->PushUndo<TActionRatio>(boat);
        boat->SetRatio(position);
        // Later steps that are not racing boats have no ratio to take.
        forLaterSteps(boat, [&](TObjet* o) {
            if (auto* later = dynamic_cast<TBateauCourse*>(o))
                later->SetRatio(position);
        });
        Edit5->SetValue(boat->FRatio);
    }
    Changed();
}

void TSetup::ChangeHull(int item)
{
    auto* boat = dynamic_cast<TBateauCourse*>(FObjet);
    if (!Editing() || !boat)
        return;
    const std::int32_t hull = item < 0 ? 0 : item;
    bool same = true;
    for (TObjet* o = boat; o && same; o = o->FNext)
        if (auto* step = dynamic_cast<TBateauCourse*>(o))
            same = step->FHull == hull;
    if (same)
        return; // the same type chosen again: nothing to change or record
    if (DiagramLink* d = Target())
        d->PushUndo<TActionHull>(boat);
    boat->SetHull(hull);
    forLaterSteps(boat, [&](TObjet* o) {
        if (auto* later = dynamic_cast<TBateauCourse*>(o))
            later->SetHull(hull);
    });
    // The check marks this changes run their own handlers on this step.
    ShowHullControls(boat->FHull);
    Changed();
}

void TSetup::ChangeSpinnaker(bool checked)
{
    auto* boat = dynamic_cast<TBateauCourse*>(FObjet);
    if (!Editing() || !boat)
        return;
    boat->FSpinnaker = checked ? 1 : 0;
    ckAsymetric->setEnabled(checked && boat->FHull == 0);
    if (boat->FHull == 1)
        ckAsymetric->setChecked(true);
    Changed();
}

void TSetup::ChangeAsymetric(bool checked)
{
    auto* boat = dynamic_cast<TBateauCourse*>(FObjet);
    if (!Editing() || !boat)
        return;
    boat->FAsymetric = checked ? 1 : 0;
    Changed();
}

void TSetup::ChangeArcAngle(int position)
{
    if (!FObjet)
        return;
    Edit6->SetValue(position);
    if (m_updating)
        return;
    if (auto* curve = dynamic_cast<TCurve*>(FObjet))
        curve->FArcAngle = float(position);
    Changed();
}

void TSetup::ChangeClockwise(bool checked)
{
    if (!Editing())
        return;
    if (auto* curve = dynamic_cast<TCurve*>(FObjet)) {
        curve->FDirection = checked ? 0 : 1;
        curve->InvalidatePath();
    }
    Changed();
}

void TSetup::ChangeBackground(bool checked)
{
    auto* picture = dynamic_cast<TPerso*>(FObjet);
    if (!Editing() || !picture)
        return;
    picture->FSituation = checked ? -1 : 0;
    // One background only: any other picture marked so becomes an ordinary one.
    if (checked)
        if (DiagramLink* d = Target())
            for (TObjet* o = d->FRoot; o; o = o->NextInWalk())
                if (o != picture && o->FGenre == gPicture && o->FSituation < 0)
                    o->FSituation = 0;
    Changed();
}

// The later steps and the tracks are part of the static picture: redraw it, then repaint.
void TSetup::Changed()
{
    if (DiagramLink* d = Target()) {
        d->FModified = 1;
        d->Redraw();
        d->Repaint();
    }
}

void TSetup::closeEvent(QCloseEvent* event)
{
    // Closing the dialog leaves insert mode.
    if (auto* d = dynamic_cast<TDiagram*>(Target())) {
        d->FEditState = esFree;
        if (d->Host())
            d->Host()->SetCursor(ViewCursor::Default);
    }
    QWidget::closeEvent(event);
}

void TSetup::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous() && OnHide)
        OnHide();
}

bool TSetup::event(QEvent* event)
{
    // F1 opens the page of the control that has the focus, not the main window's contents.
    if (event->type() == QEvent::ShortcutOverride && IsHelpKey(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TSetup::keyPressEvent(QKeyEvent* event)
{
    if (IsHelpKey(*event)) {
        ShowContextHelp(focusWidget() ? focusWidget() : this);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        Button3->click(); // as if "&Free" were clicked (nothing while it is disabled)
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zov
