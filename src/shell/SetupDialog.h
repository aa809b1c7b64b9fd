#pragma once
// The object setup dialog "Boat setup": heading, size, colour and zone circle of the selected
// object of the current diagram; for a racing boat its visibility, overlap line, sails, hull and
// width; for a curved arrow its arc; for a picture whether it is the background; the insert-mode
// buttons and Delete. It edits the live object through its setters, with undo where the model
// keeps one, and redraws the diagram. Which controls are usable follows the object's class.

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
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

// A colour swatch that reports a press of any mouse button.
class TShape : public QFrame {
public:
    explicit TShape(QWidget* parent = nullptr);
    QColor BrushColor() const { return m_color; }
    void SetBrushColor(const QColor& color);
    std::function<void()> OnMouseDown;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color { Qt::white };
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

    // True while Refresh fills the controls: no handler changes the object then.
    bool SetupUpdating() const { return m_updating; }

    // The object shown, or none. The handlers edit it until the next refresh.
    TObjet* FObjet = nullptr;

    QLabel* Heading1 = nullptr;    // "Heading"
    QScrollBar* Heading = nullptr; // -180..180
    TEditNum* Edit1 = nullptr;
    QLabel* Label1 = nullptr;         // "Size"
    QScrollBar* ScrollBar1 = nullptr; // 25..150: the size times 50
    TEditNum* Edit2 = nullptr;        // the size, read-only
    QLabel* Label5 = nullptr;         // "Color"
    TShape* Shape1 = nullptr;         // the object's colour; a press opens the colour dialog

    // Racing boats and marks (a mark uses only the zone circle).
    QWidget* PanelBoat = nullptr;
    QLabel* Label7 = nullptr;          // "Boat Type"
    QComboBox* ComboBox2 = nullptr;    // hull types 0..3
    QCheckBox* CheckBox1 = nullptr;    // "Visible"
    QCheckBox* Outline = nullptr;      // "Circle -->"
    TEditNum* Edit3 = nullptr;         // zone circle radius in boat lengths, one digit
    QLabel* Label2 = nullptr;          // "Overlapped"
    QComboBox* ComboBox1 = nullptr;    // "None", "Port", "Starboard"
    QCheckBox* ckSpinnaker = nullptr;
    QCheckBox* ckAsymetric = nullptr;
    QCheckBox* ManualTrimming = nullptr;
    QLabel* Label4 = nullptr;          // "Sail"
    QScrollBar* ScrollBar2 = nullptr;  // sail angle -180..180
    TEditNum* Edit4 = nullptr;
    QLabel* Label3 = nullptr;          // "Ratio"
    QScrollBar* Ratio = nullptr;       // hull width change -50..100
    TEditNum* Edit5 = nullptr;
    QPushButton* Button1 = nullptr;    // "Insert &after"
    QPushButton* Button2 = nullptr;    // "Insert &before"

    // Pictures.
    QWidget* PanelPict = nullptr;
    QCheckBox* ckBackground = nullptr;
    QCheckBox* ckTransparent = nullptr; // always disabled

    // Flags.
    QWidget* PanelFlag = nullptr;
    QCheckBox* ckPicture = nullptr; // always disabled

    // Curved arrows.
    QWidget* PanelCurve = nullptr;
    QLabel* Label6 = nullptr;         // "Arc Angle"
    QScrollBar* ArcAngle = nullptr;   // 0..360
    TEditNum* Edit6 = nullptr;
    QCheckBox* ckClockwise = nullptr;

    QPushButton* Button3 = nullptr; // "&Free"
    QPushButton* Button4 = nullptr; // "&Delete"

    // Called whenever the program hides the dialog (not when the window system does, as on
    // minimising); the main window clears the diagram's selection then.
    std::function<void()> OnHide;

    // The diagram the handlers change; none (the default) follows the current diagram.
    void SetDiagram(DiagramLink* diagram) { m_diagram = diagram; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateBoatPanel();
    void CreateOtherPanels();
    void FillRacingBoat();
    void ShowHullControls(std::int32_t hull);

    DiagramLink* Target() const;
    // Whether a handler may change the object: there is one and the dialog is not being filled.
    bool Editing() const { return FObjet && !m_updating; }
    void ChangeHeading(int position);
    void ChangeSize(int position);
    void Shape1MouseDown();
    void ManualTrimmingClick(bool checked);
    void ChangeReglage(int position);
    void ChangeVisible(bool checked);
    void ChangeOutline(bool checked);
    void ChangeRayonOutline();
    void ChangeOverlap(int item);
    void ChangeRatio(int position);
    void ChangeHull(int item);
    void ChangeSpinnaker(bool checked);
    void ChangeAsymetric(bool checked);
    void ChangeArcAngle(int position);
    void ChangeClockwise(bool checked);
    void ChangeBackground(bool checked);
    void Changed();

    DiagramLink* m_diagram = nullptr;
    bool m_updating = false; // set while Refresh fills the controls: no handler changes the object
};

// How much of the dialog an object's class uses: 6 racing boat, 5 judge and wing judge,
// 4 committee and spectator, 3 arrows and lines, 2 flag and mark, 1 picture, 0 anything else.
int SetupLevel(const TObjet* obj);

} // namespace zov
