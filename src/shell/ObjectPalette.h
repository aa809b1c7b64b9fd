#pragma once
// The object palette "Choices": a column of buttons that choose what the next click on the
// current diagram inserts. The buttons do nothing of their own; the main window hands their
// clicks to the current diagram through OnTool and OnPicture.

#include <QPushButton>
#include <QWidget>

#include <array>
#include <functional>

namespace zov {

class TChoixObj : public QWidget {
public:
    // Parent: the main window, above which the palette stays as a tool window.
    explicit TChoixObj(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;  // "&Racing boat"
    QPushButton* Button2 = nullptr;  // "&Committee"
    QPushButton* Button3 = nullptr;  // "&Judge"
    QPushButton* Button4 = nullptr;  // "&Wing judge"
    QPushButton* Button5 = nullptr;  // "&Mark"
    QPushButton* Button6 = nullptr;  // "&Spectator"
    QPushButton* Button7 = nullptr;  // "R&emark"
    QPushButton* Button8 = nullptr;  // "&Balloon"
    QPushButton* Button9 = nullptr;  // "&Free": back to no tool
    QPushButton* Button10 = nullptr; // "&Line"
    QPushButton* Button11 = nullptr; // "&Arrow"
    QPushButton* Button12 = nullptr; // "&Flag"
    QPushButton* Button13 = nullptr; // "&Picture": the picture chooser first
    QPushButton* Button14 = nullptr; // "&Curved arrow"

    // The button numbered N (1 to 14), or none.
    QPushButton* Button(int n) const;

    // The hint kept with the palette or one of its buttons (shown as a tool tip only on
    // "&Racing boat", "&Committee" and "&Free").
    static QString Hint(const QWidget* widget);
    static constexpr const char* HintProperty = "hint";

    // A click on any button but the picture button, with the button's number (1-12, 14).
    std::function<void(int button)> OnTool;
    // A click on the picture button (Button13).
    std::function<void()> OnPicture;

private:
    std::array<QPushButton*, 14> m_buttons {};
};

} // namespace zov
