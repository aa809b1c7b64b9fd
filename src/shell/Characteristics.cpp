#include "shell/Characteristics.h"

#include "diagram/Diagram.h"
#include "model/DiagramLink.h"
#include "plat/rt/Cp1252.h"
#include "shell/Settings.h"
#include "shell/SetupDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextCursor>

#include <algorithm>
#include <cstdint>

namespace zov {

const char* const SituationTexts[SituationCount] = { " ", "Starting area", "Finishing line", "Windward mark",
    "Leeward mark", "Beat", "Run", "Gate" };

namespace {

constexpr int DesignWidth = 440;
constexpr int DesignHeight = 400;

template <std::size_t N> QString fieldText(const std::array<char, N>& field)
{
    return rt::FromCp1252(FieldText(field));
}

// Stored descriptions keep CR LF line ends; the memo works with bare line feeds.
QString toMemo(const QString& stored)
{
    QString t = stored;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    return t;
}

std::string fromMemo(QString t)
{
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return rt::ToCp1252(t);
}

// Bytes the memo's text takes in the header: a line break is two.
qsizetype storedLength(const QString& memo)
{
    return memo.size() + memo.count(u'\n');
}

QLineEdit* newEdit(QWidget* parent, const char* name, int limit)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setMaxLength(limit);
    return edit;
}

QScrollBar* newScrollBar(QWidget* parent, const char* name, int min, int max)
{
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QString::fromUtf8(name));
    bar->setRange(min, max);
    bar->setSingleStep(1);
    bar->setPageStep(5);
    bar->setMinimumWidth(160);
    return bar;
}

TEditNum* newNumber(QWidget* parent, const char* name)
{
    auto* edit = new TEditNum(parent);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setMaxLength(4);
    edit->setFixedWidth(48);
    return edit;
}

} // namespace

TCharacteristics::TCharacteristics(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Characteristics"));
    setWindowTitle(QStringLiteral("Characteristics"));
    setModal(false);

    Edit1 = newEdit(this, "Edit1", 14);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const char* text : SituationTexts)
        ComboBox1->addItem(QString::fromUtf8(text));
    Edit2 = newEdit(this, "Edit2", 49);
    Edit6 = newEdit(this, "Edit6", 80);
    Edit3 = new QPlainTextEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setTabChangesFocus(true);
    Edit3->setFixedHeight(64);
    Edit4 = newEdit(this, "Edit4", 19);
    Edit5 = newEdit(this, "Edit5", 9);

    ScrollBar1 = newScrollBar(this, "ScrollBar1", 1, 89);
    Degrees = newNumber(this, "Degrees");
    Degrees->ScrollBar = ScrollBar1;
    ScrollBar2 = newScrollBar(this, "ScrollBar2", -30, 30);
    WinDir = newNumber(this, "WinDir");
    // A wind typed here moves its slider as the layline angle does: the slider is what OK takes.
    WinDir->ScrollBar = ScrollBar2;

    OK = new QPushButton(QStringLiteral("&OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const char* label, QWidget* field) {
        auto* l = new QLabel(QString::fromUtf8(label), this);
        l->setBuddy(field);
        grid->addWidget(l, row, 0, Qt::AlignLeft | Qt::AlignTop);
        grid->addWidget(field, row, 1);
        ++row;
    };
    auto sliderRow = [&](QScrollBar* bar, TEditNum* number) {
        auto* box = new QWidget(this);
        auto* h = new QHBoxLayout(box);
        h->setContentsMargins(0, 0, 0, 0);
        h->addWidget(bar, 1);
        h->addWidget(number);
        h->addWidget(new QLabel(QStringLiteral("degrees"), box));
        return box;
    };
    addRow("Date", Edit1);
    addRow("Situation", ComboBox1);
    addRow("Author", Edit2);
    addRow("E-mail", Edit6);
    addRow("Description", Edit3);
    addRow("Rules", Edit4);
    addRow("Case/Call", Edit5);
    addRow("Laylines", sliderRow(ScrollBar1, Degrees));
    addRow("Wind", sliderRow(ScrollBar2, WinDir));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);

    // Tab order as the rows read, the sliders before their numbers.
    QWidget* order[] = { Edit1, ComboBox1, Edit2, Edit6, Edit3, Edit4, Edit5, ScrollBar1, Degrees, ScrollBar2,
        WinDir, OK, Cancel };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    resize(DesignWidth, DesignHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(DesignWidth / 2, DesignHeight / 2));

    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TCharacteristics::ScrollBar1Change);
    connect(ScrollBar2, &QScrollBar::valueChanged, this, &TCharacteristics::ScrollBar2Change);
    connect(Edit3, &QPlainTextEdit::textChanged, this, &TCharacteristics::DescriptionChanged);
    connect(OK, &QPushButton::clicked, this, &TCharacteristics::OKClick);
    connect(Cancel, &QPushButton::clicked, this, &TCharacteristics::CancelClick);
}

TDiagram* TCharacteristics::Target() const
{
    return dynamic_cast<TDiagram*>(m_diagram ? m_diagram : Diagram);
}

void TCharacteristics::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TCharacteristics::FormShow()
{
    TDiagram* d = Target();
    m_shown = d;
    m_filling = true;
    if (d) {
        const TDiagramHeader& h = d->FHeader;
        Edit1->setText(fieldText(h.Date));
        Edit2->setText(fieldText(h.Author));
        Edit3->setPlainText(toMemo(fieldText(h.Description)));
        Edit4->setText(fieldText(h.Rules));
        Edit5->setText(fieldText(h.CaseCall));
        Edit6->setText(fieldText(d->FEmail));
        // The sliders keep the values within their ranges; the numbers show where they stand.
        ScrollBar1->setValue(d->FLaylineAngle);
        Degrees->SetValue(ScrollBar1->value());
        const std::int64_t wind = std::clamp<std::int64_t>(std::int64_t(d->FWind) - 90, -30, 30);
        ScrollBar2->setValue(int(wind));
        WinDir->SetValue(ScrollBar2->value());
        // A type outside the list selects nothing and is kept by OK.
        const int type = h.SituationType;
        ComboBox1->setCurrentIndex(type >= 0 && type < SituationCount ? type : -1);
    } else {
        for (QLineEdit* e : { Edit1, Edit2, Edit4, Edit5, Edit6 })
            e->clear();
        Edit3->clear();
        ComboBox1->setCurrentIndex(-1);
    }
    m_shownEmail = Edit6->text();
    m_lastDescription = Edit3->toPlainText();
    m_lastDescriptionCursor = int(m_lastDescription.size());
    m_filling = false;
}

void TCharacteristics::DescriptionChanged()
{
    if (m_filling)
        return;
    const QString text = Edit3->toPlainText();
    if (storedLength(text) <= DescriptionLimit) {
        m_lastDescription = text;
        m_lastDescriptionCursor = Edit3->textCursor().position();
        return;
    }
    // Like a one-line edit at its limit, the memo refuses what would not fit.
    m_filling = true;
    if (storedLength(m_lastDescription) > DescriptionLimit)
        m_lastDescription = m_lastDescription.left(DescriptionLimit);
    Edit3->setPlainText(m_lastDescription);
    QTextCursor cursor = Edit3->textCursor();
    cursor.setPosition(std::min<int>(m_lastDescriptionCursor, int(m_lastDescription.size())));
    Edit3->setTextCursor(cursor);
    m_filling = false;
}

void TCharacteristics::ScrollBar1Change(int position)
{
    if (Degrees->Value() != position || Degrees->text().isEmpty())
        Degrees->SetValue(position);
}

void TCharacteristics::ScrollBar2Change(int position)
{
    if (WinDir->Value() != position || WinDir->text().isEmpty())
        WinDir->SetValue(position);
}

void TCharacteristics::OKClick()
{
    TDiagram* d = m_shown;
    if (!d || d != Target()) {
        hide();
        return;
    }
    TDiagramHeader& h = d->FHeader;
    SetField(h.Date, rt::ToCp1252(Edit1->text().left(14)));
    SetField(h.Author, rt::ToCp1252(Edit2->text().left(49)));
    SetField(h.Description, fromMemo(Edit3->toPlainText()));
    SetField(h.Rules, rt::ToCp1252(Edit4->text().left(19)));
    SetField(h.CaseCall, rt::ToCp1252(Edit5->text().left(9)));
    const QString email = Edit6->text().left(80);
    SetField(d->FEmail, rt::ToCp1252(email));
    // Only an address the user typed becomes the default: pressing OK on someone else's diagram
    // must not replace the user's own.
    if (Edit6->text() != m_shownEmail) {
        if (m_settingsKey)
            SaveEmail(*m_settingsKey, email);
        else
            SaveEmail(email);
    }
    if (ComboBox1->currentIndex() >= 0)
        h.SituationType = std::int16_t(ComboBox1->currentIndex());

    bool redraw = false;
    if (ScrollBar1->value() != d->FLaylineAngle) {
        d->FLaylineAngle = std::int16_t(ScrollBar1->value());
        redraw = true;
    }
    if (ScrollBar2->value() + 90 != d->FWind) {
        d->FWind = ScrollBar2->value() + 90;
        redraw = true;
    }
    d->FModified = 1;
    hide();
    if (redraw) {
        d->Redraw();
        d->Repaint();
    }
}

void TCharacteristics::CancelClick()
{
    hide();
}

void TCharacteristics::Forget(const DiagramLink* diagram)
{
    if (diagram && static_cast<const DiagramLink*>(m_shown) == diagram)
        m_shown = nullptr;
}

void TCharacteristics::reject()
{
    CancelClick();
}

} // namespace zov
