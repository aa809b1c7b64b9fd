#include "shell/CommentsDialog.h"

#include "diagram/Diagram.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/rt/Cp1252.h"
#include "plat_ui/DialogHost.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace zov {

namespace {

constexpr int ButtonWidth = 64;
constexpr int ButtonHeight = 25;
constexpr int ButtonGap = 8;
constexpr int PanelHeight = 48;
constexpr int DocumentExtra = 100;
constexpr int Margin = 12;
// The memo keeps its distance to the bottom edge: the check boxes and the button strip sit below.
constexpr int MemoBottomGap = 88;
constexpr int CheckBoxRowGap = 76; // from the bottom edge to the top of the check boxes
constexpr int FontNameLength = 255;
constexpr int MaxDialogPoints = 1000; // the largest size offered to the font dialog

// The sixteen basic colours of a font dialog, as 0xRRGGBB.
struct NamedColour {
    std::uint32_t rgb;
    const char* name;
};
constexpr NamedColour BasicColours[] = {
    { 0x000000, "Black" }, { 0x800000, "Maroon" }, { 0x008000, "Green" }, { 0x808000, "Olive" },
    { 0x000080, "Navy" }, { 0x800080, "Purple" }, { 0x008080, "Teal" }, { 0x808080, "Gray" },
    { 0xC0C0C0, "Silver" }, { 0xFF0000, "Red" }, { 0x00FF00, "Lime" }, { 0xFFFF00, "Yellow" },
    { 0x0000FF, "Blue" }, { 0xFF00FF, "Fuchsia" }, { 0x00FFFF, "Aqua" }, { 0xFFFFFF, "White" },
};

QIcon swatch(std::uint32_t rgb)
{
    QPixmap p(16, 12);
    p.fill(QColor::fromRgb(QRgb(0xFF000000u | rgb)));
    return QIcon(p);
}

QPushButton* newButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setFixedSize(ButtonWidth, ButtonHeight);
    button->setAutoDefault(false);
    return button;
}

// Object texts keep CR LF line ends; the editor works with bare line feeds.
QString toEditor(const std::string& bytes)
{
    QString t = rt::FromCp1252(bytes);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

std::string fromEditor(QString t)
{
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return rt::ToCp1252(t);
}

} // namespace

TFontDialog::TFontDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Font"));
    setObjectName(QStringLiteral("FontDialog1"));
    Fonts = new QFontDialog(this);
    Fonts->setWindowFlags(Qt::Widget);
    Fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    Fonts->setVisible(true);
    Colours = new QComboBox(this);
    Colours->setObjectName(QStringLiteral("Colours"));
    for (const NamedColour& c : BasicColours)
        Colours->addItem(swatch(c.rgb), QString::fromUtf8(c.name), QVariant::fromValue(c.rgb));
    auto* colourLabel = new QLabel(QStringLiteral("&Colour:"), this);
    colourLabel->setBuddy(Colours);
    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setAutoDefault(false);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(colourLabel);
    bottom->addWidget(Colours);
    bottom->addStretch(1);
    bottom->addWidget(ButtonOK);
    bottom->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Fonts, 1);
    layout->addLayout(bottom);
}

void TFontDialog::SetChosen(const QFont& font, std::uint32_t colour)
{
    Fonts->setCurrentFont(font);
    m_asked = font;
    m_shown = Fonts->currentFont();
    SetColour(colour);
}

QFont TFontDialog::SelectedFont() const
{
    QFont f = Fonts->currentFont();
    if (f.family() == m_shown.family())
        f.setFamily(m_asked.family());
    if (f.pointSize() == m_shown.pointSize() && m_asked.pointSize() > 0)
        f.setPointSize(m_asked.pointSize());
    if (f.bold() == m_shown.bold())
        f.setBold(m_asked.bold());
    if (f.italic() == m_shown.italic())
        f.setItalic(m_asked.italic());
    if (f.underline() == m_shown.underline())
        f.setUnderline(m_asked.underline());
    return f;
}

std::uint32_t TFontDialog::SelectedColour() const
{
    return Colours->currentData().value<std::uint32_t>() & 0xFFFFFFu;
}

void TFontDialog::SetColour(std::uint32_t colour)
{
    colour &= 0xFFFFFFu;
    int index = Colours->findData(QVariant::fromValue(colour));
    if (index < 0) {
        Colours->addItem(swatch(colour), QStringLiteral("Custom"), QVariant::fromValue(colour));
        index = Colours->count() - 1;
    }
    Colours->setCurrentIndex(index);
}

QString TComments::CaptionOf(const TGenText& text)
{
    if (dynamic_cast<const TBulle*>(&text))
        return QStringLiteral("Balloon text");
    if (dynamic_cast<const TRemarque*>(&text))
        return QStringLiteral("Remark text");
    switch (text.FGenre) {
    case gComments: return QStringLiteral("Comments");
    case gSummary: return QStringLiteral("Summary");
    case gFactsFound: return QStringLiteral("Facts found");
    case gDecision: return QStringLiteral("Decision");
    default: return QString::fromStdString(text.KindName());
    }
}

TComments::TComments(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Text"));
    setObjectName(QStringLiteral("Comments"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);

    CheckBox1 = new QCheckBox(QStringLiteral("Frame"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Transparent"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(PanelHeight);
    Button4 = newButton(Panel1, "Button4", "&Delete");
    Button1 = newButton(Panel1, "Button1", "&Font");
    Button2 = newButton(Panel1, "Button2", "&OK");
    Button3 = newButton(Panel1, "Button3", "&Cancel");
    // The controls follow the window's size by hand (resizeEvent): the memo keeps its margins on
    // all four sides, the check boxes and the button strip keep to the bottom.
    setMinimumSize(DesignWidth / 2 + ButtonWidth, DesignHeight / 2 + PanelHeight);
    resize(DesignWidth, DesignHeight);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(DesignWidth / 2, DesignHeight / 2));

    connect(Memo1, &QPlainTextEdit::textChanged, this, &TComments::TextChanged);
    connect(CheckBox1, &QCheckBox::clicked, this, &TComments::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::clicked, this, &TComments::CheckBox2Click);
    connect(Button1, &QPushButton::clicked, this, &TComments::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TComments::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TComments::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TComments::Button4Click);
}

DiagramLink* TComments::Target() const
{
    return m_diagram ? m_diagram : Diagram;
}

void TComments::Refresh(TGenText* text)
{
    if (!text)
        return;
    FText = text;
    m_shown = Target();
    m_filledModified = m_shown ? m_shown->FModified : 0;
    m_undoDepth = m_shown ? m_shown->FUndoStack.size() : 0;
    m_undoTop = m_shown && !m_shown->FUndoStack.empty() ? m_shown->FUndoStack.back().get() : nullptr;
    auto* remark = dynamic_cast<TRemarque*>(text);
    const bool small = remark || dynamic_cast<TBulle*>(text);
    resize(small ? DesignWidth : DesignWidth + DocumentExtra, small ? DesignHeight : DesignHeight + DocumentExtra);

    m_filling = true;
    Memo1->setPlainText(toEditor(text->FText));
    CheckBox1->setChecked(remark && remark->FFrame != 0);
    CheckBox2->setChecked((text->FFlags & flTransparent) != 0);
    m_filling = false;
    FOriginalText = text->FText;
    m_filledLooks = { remark ? remark->FFrame : std::uint8_t(0), (text->FFlags & flTransparent) != 0,
        text->FFontName, text->FFontSize, text->FFontStyle, text->FFontColor, text->FFont };
    FChanged = false;

    Button4->setEnabled(!text->FText.empty());
    setWindowTitle(CaptionOf(*text));
    CheckBox1->setVisible(remark != nullptr);
    CheckBox2->setVisible(remark != nullptr);

    show();
    raise();
    Memo1->setFocus();
}

void TComments::KeepModified()
{
    if (m_shown && m_shown->FModified)
        m_filledModified = m_shown->FModified;
}

void TComments::MarkChanged()
{
    // Marked before and unmarked since: the diagram was saved with the edits in it, so the text
    // Cancel puts back is a change to the file.
    if (FChanged && m_shown && m_shown->FModified == 0)
        m_filledModified = 1;
    FChanged = true;
    if (m_shown)
        m_shown->FModified = 1; // a text typed here is saved like any other change
}

void TComments::TextChanged()
{
    if (m_filling || !FText)
        return;
    const QString text = Memo1->toPlainText();
    FText->FText = fromEditor(text);
    FText->InvalidatePath();
    MarkChanged();
    Button4->setEnabled(!text.isEmpty());
    if (m_shown)
        m_shown->Repaint(); // the selected text is drawn over the static picture
}

void TComments::CheckBox1Click(bool checked)
{
    auto* remark = dynamic_cast<TRemarque*>(FText);
    if (!remark)
        return;
    remark->FFrame = checked ? 1 : 0;
    remark->InvalidatePath();
    MarkChanged();
    if (m_shown)
        m_shown->Repaint();
}

void TComments::CheckBox2Click(bool checked)
{
    if (!FText)
        return;
    if (checked)
        FText->FFlags |= flTransparent;
    else
        FText->FFlags &= std::uint16_t(~flTransparent);
    FText->InvalidatePath();
    MarkChanged();
    if (m_shown)
        m_shown->Repaint();
}

void TComments::Button1Click()
{
    if (!FText)
        return;
    TGenText& t = *FText;
    QFont current(rt::FromCp1252(t.FFontName));
    current.setPointSize(std::clamp(t.FFontSize, 1, MaxDialogPoints));
    current.setBold(t.FFontStyle & gfx::FontBold);
    current.setItalic(t.FFontStyle & gfx::FontItalic);
    current.setUnderline(t.FFontStyle & gfx::FontUnderline);
    TFontDialog dialog(this);
    dialog.SetChosen(current, t.FFontColor);
    if (ui::Dialogs().Exec(dialog) != QDialog::Accepted || !FText)
        return;

    const QFont chosen = dialog.SelectedFont();
    t.FFontColor = 0xFF000000u | dialog.SelectedColour();
    const std::int32_t style = (chosen.bold() ? gfx::FontBold : 0) | (chosen.italic() ? gfx::FontItalic : 0)
        | (chosen.underline() ? gfx::FontUnderline : 0);
    const std::string name = rt::ToCp1252(chosen.family().left(FontNameLength));
    const std::int32_t size = chosen.pointSize() > 0 ? chosen.pointSize() : t.FFontSize;
    // The same font again keeps the object's font; only the colour is taken.
    if (name != t.FFontName || size != t.FFontSize || style != t.FFontStyle) {
        t.FFontName = name;
        t.FFontSize = size;
        t.FFontStyle = style;
        t.FFont = gfx::Font(name, float(size), style);
    }
    t.InvalidatePath();
    MarkChanged();
    update();
    if (m_shown)
        m_shown->Repaint();
}

void TComments::Button2Click()
{
    DiagramLink* d = m_shown;
    const bool changed = FChanged;
    if (FText && changed)
        FText->FText = fromEditor(Memo1->toPlainText());
    hide(); // the main window trims the text, drops an empty one and clears the selection
    if (d) {
        if (changed)
            d->FModified = 1;
        d->Redraw();
        d->Repaint();
    }
}

void TComments::Button3Click()
{
    DiagramLink* d = m_shown;
    RestoreAsFilled();
    hide();
    if (d) {
        d->Redraw();
        d->Repaint();
    }
}

void TComments::Button4Click()
{
    TGenText* text = FText;
    DiagramLink* d = m_shown;
    if (!text || !d)
        return;
    const QMessageBox::StandardButton answer = ui::Dialogs().Message(this, QMessageBox::Question,
        QStringLiteral("Deleting ") + QString::fromStdString(text->KindName()), QStringLiteral("Are you sure ?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    // The text goes to the undo stack; from here on the dialog must not touch it.
    FText = nullptr;
    d->RemoveObject(text, false);
    if (auto* diagram = dynamic_cast<TDiagram*>(d))
        diagram->SetSelected(nullptr);
    else if (d->FSelected == text)
        d->FSelected = nullptr;
    d->FModified = 1;
    hide();
}

void TComments::RestoreAsFilled()
{
    if (!FText)
        return;
    TGenText& t = *FText;
    t.FText = FOriginalText;
    if (auto* remark = dynamic_cast<TRemarque*>(FText))
        remark->FFrame = m_filledLooks.frame;
    if (m_filledLooks.transparent)
        t.FFlags |= flTransparent;
    else
        t.FFlags &= std::uint16_t(~flTransparent);
    t.FFontName = m_filledLooks.fontName;
    t.FFontSize = m_filledLooks.fontSize;
    t.FFontStyle = m_filledLooks.fontStyle;
    t.FFontColor = m_filledLooks.fontColor;
    t.FFont = m_filledLooks.font;
    t.InvalidatePath();
    if (m_shown) {
        const auto& undo = m_shown->FUndoStack;
        const bool editedElsewhere = undo.size() != m_undoDepth || (!undo.empty() && undo.back().get() != m_undoTop);
        if (FChanged && m_shown->FModified == 0)
            m_shown->FModified = 1; // saved with the edits: putting the text back changes the file
        else if (!editedElsewhere)
            m_shown->FModified = m_filledModified;
    }
    FChanged = false;
}

void TComments::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    Memo1->setGeometry(Margin, Margin, std::max(0, w - 2 * Margin), std::max(0, h - Margin - MemoBottomGap));
    const int boxTop = h - CheckBoxRowGap;
    CheckBox1->setGeometry(Margin, boxTop, 100, 20);
    CheckBox2->setGeometry(Margin + 108, boxTop, 120, 20);
    Panel1->setGeometry(0, h - PanelHeight, w, PanelHeight);
    const int top = (PanelHeight - ButtonHeight) / 2;
    Button4->move(Margin, top);
    int x = w - Margin - ButtonWidth;
    for (QPushButton* button : { Button3, Button2, Button1 }) {
        button->move(x, top);
        x -= ButtonWidth + ButtonGap;
    }
}

void TComments::closeEvent(QCloseEvent* event)
{
    RestoreAsFilled(); // the close box cancels
    QWidget::closeEvent(event);
}

void TComments::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (OnHide)
        OnHide();
    // Once hidden the dialog holds no object: the diagram may free it at any time.
    FText = nullptr;
    m_shown = nullptr;
}

void TComments::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Button3->click();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zov
