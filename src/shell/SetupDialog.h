#pragma once
// The object setup dialog "Boat setup": heading and size of the selected object of the current
// diagram, the insert-mode buttons and Delete. It edits the live object through its setters,
// with undo where the model keeps one, and redraws the diagram.

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>

class QLabel;
class QScrollBar;

namespace zov {

class DiagramLink;
class TObjet;

// A right-aligned number edit tied to a scroll bar: a typed integer moves the scroll bar, which
// keeps it within its range; the scroll bar's handler writes the value back.
class TEditNum : public QLineEdit {
public:
    explicit TEditNum(QWidget* parent = nullptr);

    // The scroll bar a typed number moves; none by default.
    QScrollBar* ScrollBar = nullptr;

    // The text read as a number: blanks skipped, an optional sign, the digits up to the first
    // other character; no digit gives 0.
    int Value() const;
    void SetValue(int value);

private:
    void Typed(const QString& text);
};

class TSetup : public QWidget {
public:
    // Parent: the main window, above which the dialog stays as a tool window.
    explicit TSetup(QWidget* parent = nullptr);

    // Fills the dialog from Obj (the current diagram's selected object) and shows it; nothing
    // happens without an object.
    void Refresh(TObjet* obj);
    // Refills the dialog from the object it shows, when it shows one (after an undo).
    void Refresh() { Refresh(FObjet); }

    // The "&Free" button, which leaves insert mode; Focus makes it the dialog's active control.
    void SetFreeButtonEnabled(bool enabled, bool focus = false);
    // While an object is dragged: moves the dialog to the other side of the screen from SX
    // (pixels from the left of the visible area) when it would stand in the way.
    void KeepClearOf(int sx);

    // The object shown, or none. The handlers edit it until the next refresh.
    TObjet* FObjet = nullptr;

    QLabel* Heading1 = nullptr;    // "Heading"
    QScrollBar* Heading = nullptr; // -180..180
    TEditNum* Edit1 = nullptr;
    QLabel* Label1 = nullptr;         // "Size"
    QScrollBar* ScrollBar1 = nullptr; // 25..150: the size times 50
    TEditNum* Edit2 = nullptr;        // the size, read-only
    QPushButton* Button1 = nullptr;   // "Insert &after"
    QPushButton* Button2 = nullptr;   // "Insert &before"
    QPushButton* Button3 = nullptr;   // "&Free"
    QPushButton* Button4 = nullptr;   // "&Delete"

    // Called whenever the program hides the dialog (not when the window system does, as on
    // minimising); the main window clears the diagram's selection then.
    std::function<void()> OnHide;

    // The diagram the handlers change; none (the default) follows the current diagram.
    void SetDiagram(DiagramLink* diagram) { m_diagram = diagram; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    DiagramLink* Target() const;
    void ChangeHeading(int position);
    void ChangeSize(int position);
    void Changed();

    DiagramLink* m_diagram = nullptr;
    bool m_updating = false; // set while Refresh fills the controls: no handler changes the object
};

// How much of the dialog an object's class uses: 6 racing boat, 5 judge and wing judge,
// 4 committee and spectator, 3 arrows and lines, 2 flag and mark, 1 picture, 0 anything else.
int SetupLevel(const TObjet* obj);

} // namespace zov
