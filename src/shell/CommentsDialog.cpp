#include "shell/CommentsDialog.h"

#include "diagram/Diagram.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/rt/Cp1252.h"
#include "plat_ui/DialogHost.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zov {

namespace {

constexpr int ButtonWidth = 64;
constexpr int ButtonHeight = 25;
constexpr int PanelHeight = 48;
constexpr int DocumentExtra = 100;

QPushButton* newButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setFixedSize(ButtonWidth, ButtonHeight);
    button->setAutoDefault(false);
    return button;
}

QString captionOf(const TGenText& text)
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

// Object texts keep Windows line ends; the editor works with bare line feeds.
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

TComments::TComments(QWidget* parent)
    : QWidget(parent, Qt::Tool)
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
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->addWidget(Button4);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(CheckBox1);
    boxes->addWidget(CheckBox2);
    boxes->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 0);
    layout->addWidget(Memo1, 1);
    layout->addLayout(boxes);
    layout->addWidget(Panel1);

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
    m_originalModified = m_shown ? m_shown->FModified : 0;
    auto* remark = dynamic_cast<TRemarque*>(text);
    const bool small = remark || dynamic_cast<TBulle*>(text);
    resize(small ? DesignWidth : DesignWidth + DocumentExtra, small ? DesignHeight : DesignHeight + DocumentExtra);

    m_filling = true;
    Memo1->setPlainText(toEditor(text->FText));
    CheckBox1->setChecked(remark && remark->FFrame != 0);
    CheckBox2->setChecked((text->FFlags & flTransparent) != 0);
    m_filling = false;
    FOriginalText = text->FText;
    m_originalLooks = { remark ? remark->FFrame : std::uint8_t(0), (text->FFlags & flTransparent) != 0,
        text->FFontName, text->FFontSize, text->FFontStyle, text->FFontColor, text->FFont };
    FChanged = false;

    Button4->setEnabled(!text->FText.empty());
    setWindowTitle(captionOf(*text));
    CheckBox1->setVisible(remark != nullptr);
    CheckBox2->setVisible(remark != nullptr);

    show();
    raise();
    Memo1->setFocus();
}

void TComments::MarkChanged()
{
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
    QFontDialog dialog(this);
    dialog.setCurrentFont(gfx::Font(t.FFontName, float(t.FFontSize), t.FFontStyle).toQFont());
    if (ui::Dialogs().Exec(dialog) != QDialog::Accepted)
        return;
    const QFont chosen = dialog.selectedFont();
    const std::int32_t style = (chosen.bold() ? gfx::FontBold : 0) | (chosen.italic() ? gfx::FontItalic : 0)
        | (chosen.underline() ? gfx::FontUnderline : 0);
    const std::string name = chosen.family().left(255).toStdString();
    const std::int32_t size = chosen.pointSize() > 0 ? chosen.pointSize() : t.FFontSize;
    if (name == t.FFontName && size == t.FFontSize && style == t.FFontStyle)
        return;
    t.FFontName = name;
    t.FFontSize = size;
    t.FFontStyle = style;
    t.FFont = gfx::Font(name, float(size), style);
    t.InvalidatePath();
    MarkChanged();
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
    RestoreOriginal();
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

void TComments::RestoreOriginal()
{
    if (!FText)
        return;
    TGenText& t = *FText;
    t.FText = FOriginalText;
    if (auto* remark = dynamic_cast<TRemarque*>(FText))
        remark->FFrame = m_originalLooks.frame;
    if (m_originalLooks.transparent)
        t.FFlags |= flTransparent;
    else
        t.FFlags &= std::uint16_t(~flTransparent);
    t.FFontName = m_originalLooks.fontName;
    t.FFontSize = m_originalLooks.fontSize;
    t.FFontStyle = m_originalLooks.fontStyle;
    t.FFontColor = m_originalLooks.fontColor;
    t.FFont = m_originalLooks.font;
    t.InvalidatePath();
    if (m_shown)
        m_shown->FModified = m_originalModified;
    FChanged = false;
}

void TComments::closeEvent(QCloseEvent* event)
{
    RestoreOriginal(); // the close box cancels
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
