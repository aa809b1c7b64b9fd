#include "shell/ObjectPalette.h"

#include <QPushButton>

namespace zov {

namespace {

constexpr int PaletteWidth = 115;
constexpr int PaletteHeight = 456;
constexpr int ButtonLeft = 12;
constexpr int ButtonTop = 8;
constexpr int ButtonPitch = 32;
constexpr int ButtonWidth = 88;
constexpr int ButtonHeight = 25;

struct ButtonInfo {
    int number;
    const char* caption;
    const char* hint;
    bool tooltip; // only a few hints are shown as tool tips
};

// Top to bottom.
constexpr ButtonInfo Buttons[] = {
    { 1, "&Racing boat", "To insert a new racing boat", true },
    { 2, "&Committee", "To insert a new Committee boat", true },
    { 3, "&Judge", "To insert a new Judge boat", false },
    { 4, "&Wing judge", "To insert a new Wing judge boat", false },
    { 5, "&Mark", "To insert a new Mark", false },
    { 6, "&Spectator", "To insert a new Spectator boat", false },
    { 7, "R&emark", "To insert a new Comment", false },
    { 8, "&Balloon", "To insert a new Balloon", false },
    { 10, "&Line", "To insert a new Line", false },
    { 11, "&Arrow", "To insert a new Arrow", false },
    { 12, "&Flag", "To insert a new Flag", false },
    { 13, "&Picture", "To insert a new Picture", false },
    { 14, "&Curved arrow", "To insert a curved Arrow", false },
    { 9, "&Free", "To cancel object selection", true },
};

} // namespace

TChoixObj::TChoixObj(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Choices"));
    setObjectName(QStringLiteral("ChoixObj"));
    // Hints are kept with the widgets but only a few are shown (as tool tips): a status tip would
    // reach the main window's status bar.
    setProperty(HintProperty, QStringLiteral("To choice a new object to add onto shema"));
    setFixedSize(PaletteWidth, PaletteHeight);

    int top = ButtonTop;
    for (const ButtonInfo& info : Buttons) {
        auto* button = new QPushButton(QString::fromUtf8(info.caption), this);
        button->setObjectName(QStringLiteral("Button%1").arg(info.number));
        button->setGeometry(ButtonLeft, top, ButtonWidth, ButtonHeight);
        // The palette never takes a key press away from the diagram by holding a default button.
        button->setAutoDefault(false);
        button->setProperty(HintProperty, QString::fromUtf8(info.hint));
        if (info.tooltip)
            button->setToolTip(QString::fromUtf8(info.hint));
        top += ButtonPitch;
        m_buttons[std::size_t(info.number - 1)] = button;

        const int number = info.number;
        connect(button, &QPushButton::clicked, this, [this, number] {
            if (number == 13) {
                if (OnPicture)
                    OnPicture();
            } else if (OnTool)
                OnTool(number);
        });
    }

    Button1 = m_buttons[0];
    Button2 = m_buttons[1];
    Button3 = m_buttons[2];
    Button4 = m_buttons[3];
    Button5 = m_buttons[4];
    Button6 = m_buttons[5];
    Button7 = m_buttons[6];
    Button8 = m_buttons[7];
    Button9 = m_buttons[8];
    Button10 = m_buttons[9];
    Button11 = m_buttons[10];
    Button12 = m_buttons[11];
    Button13 = m_buttons[12];
    Button14 = m_buttons[13];
}

QString TChoixObj::Hint(const QWidget* widget)
{
    return widget ? widget->property(HintProperty).toString() : QString();
}

QPushButton* TChoixObj::Button(int n) const
{
    if (n < 1 || n > int(m_buttons.size()))
        return nullptr;
    return m_buttons[std::size_t(n - 1)];
}

} // namespace zov
