#include "shell/SetupDialog.h"

#include "diagram/Diagram.h"
#include "model/Actions.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>

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
// TSetup

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

    Heading1 = new QLabel(QStringLiteral("Heading"), this);
    Heading1->setObjectName(QStringLiteral("Heading1"));
    Heading1->setGeometry(12, 8, 120, 16);
    Heading = newScrollBar(this, "Heading", -180, 180, 1, 10);
    Heading->setGeometry(12, 28, 152, 17);
    Edit1 = new TEditNum(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(4);
    Edit1->setGeometry(172, 26, 56, 21);
    Edit1->ScrollBar = Heading;
    Heading1->setBuddy(Heading);

    Label1 = new QLabel(QStringLiteral("Size"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 56, 120, 16);
    ScrollBar1 = newScrollBar(this, "ScrollBar1", 25, 150, 5, 5);
    ScrollBar1->setValue(50);
    ScrollBar1->setGeometry(12, 76, 152, 17);
    Edit2 = new TEditNum(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::NoFocus);
    Edit2->setToolTip(QStringLiteral("Object size"));
    Edit2->setGeometry(172, 74, 56, 21);
    Edit2->setText(sizeText(1.0));
    Edit2->ScrollBar = ScrollBar1;

    Button1 = newButton(this, "Button1", "Insert &after", "To insert a new occurence of this object");
    Button1->setGeometry(12, 360, 104, 25);
    Button2 = newButton(this, "Button2", "Insert &before", nullptr);
    Button2->setGeometry(124, 360, 104, 25);
    Button3 = newButton(this, "Button3", "&Free", "To leave insert mode");
    Button3->setGeometry(12, 396, 104, 25);
    Button3->setEnabled(false);
    Button4 = newButton(this, "Button4", "&Delete", "To delete this object");
    Button4->setGeometry(124, 396, 104, 25);

    connect(Heading, &QScrollBar::valueChanged, this, &TSetup::ChangeHeading);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TSetup::ChangeSize);
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

    setWindowTitle(QString::fromStdString(obj->KindName()) + QStringLiteral(" setup"));

    // A value the controls cannot hold (a damaged file) is shown clamped; the object keeps it.
    Heading->setValue(clampTo(double(obj->FHeading), -180, 180));
    Edit1->SetValue(Heading->value());
    ScrollBar1->setValue(clampTo(double(obj->FSize) * 50.0, 25, 150));
    Edit2->setText(sizeText(double(obj->FSize)));

    // Away from the object: at the left of the screen when the object is in the right half.
    if (auto* d = dynamic_cast<TDiagram*>(Target())) {
        const QRect area = screenArea(this);
        const double sx = (double(obj->FX) - d->FView.x) * double(d->FZoom);
        move(sx > area.width() / 2 ? area.left() + 10 : area.left() + area.width() - width() - 10, y());
    }

    const int level = SetupLevel(obj);
    Label1->setEnabled(level >= 1);
    Edit2->setEnabled(level >= 1);
    ScrollBar1->setEnabled(level >= 1);
    Heading1->setVisible(level >= 3);
    Heading->setVisible(level >= 3);
    Edit1->setVisible(level >= 3);
    Button1->setEnabled(level >= 5);
    Button2->setEnabled(level >= 5);

    m_updating = false;
    show();
    Trace("Setup.Done");
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

void TSetup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Button3->click(); // as if "&Free" were clicked (nothing while it is disabled)
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zov
