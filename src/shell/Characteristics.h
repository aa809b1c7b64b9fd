#pragma once
// The characteristics dialog: the header of the current diagram (date, situation, author,
// description, rules, case or call), its e-mail address, layline angle and wind. Modeless; each
// show fills it from the current diagram, and only OK changes the diagram.

#include <QDialog>
#include <QString>

class QComboBox;
class QPlainTextEdit;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace zov {

class DiagramLink;
class TDiagram;
class TEditNum;

namespace sys {
class RegistryKey;
}

// The texts of the situation list, by the header's situation type.
inline constexpr int SituationCount = 8;
extern const char* const SituationTexts[SituationCount];

class TCharacteristics : public QDialog {
public:
    // Parent: the main window, above which the dialog stays.
    explicit TCharacteristics(QWidget* parent = nullptr);

    // Fills the controls from the current diagram; a show does it too.
    void FormShow();
    // Stores the controls into the diagram they were filled from and closes. When that diagram
    // is no longer current (closed, or another tab chosen), or there is none, it only closes.
    void OKClick();
    // Closes; nothing is stored.
    void CancelClick();
    // Called before a diagram is freed: the dialog must not store into it afterwards.
    void Forget(const DiagramLink* diagram);

    QLineEdit* Edit1 = nullptr;       // "Date", 14 characters
    QComboBox* ComboBox1 = nullptr;   // "Situation"
    QLineEdit* Edit2 = nullptr;       // "Author", 49
    QLineEdit* Edit6 = nullptr;       // "E-mail", 80
    QPlainTextEdit* Edit3 = nullptr;  // "Description", 79
    QLineEdit* Edit4 = nullptr;       // "Rules", 19
    QLineEdit* Edit5 = nullptr;       // "Case/Call", 9
    QScrollBar* ScrollBar1 = nullptr; // laylines, 1..89
    TEditNum* Degrees = nullptr;
    QScrollBar* ScrollBar2 = nullptr; // wind - 90, -30..30
    TEditNum* WinDir = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;

    static constexpr int DescriptionLimit = 79;

    // The diagram the dialog acts on; none (the default) follows the current diagram.
    void SetDiagram(DiagramLink* diagram) { m_diagram = diagram; }
    // The settings key the e-mail address is written to; none (the default) is the user's.
    void SetSettingsKey(sys::RegistryKey* key) { m_settingsKey = key; }

    void reject() override; // Esc and the close box cancel

protected:
    void showEvent(QShowEvent* event) override;

private:
    TDiagram* Target() const;
    void ScrollBar1Change(int position);
    void ScrollBar2Change(int position);
    void DescriptionChanged();

    DiagramLink* m_diagram = nullptr;
    sys::RegistryKey* m_settingsKey = nullptr;
    TDiagram* m_shown = nullptr;  // the diagram the controls were filled from
    QString m_shownEmail;         // the e-mail text as filled, to tell whether it was edited
    QString m_lastDescription;    // the description before the last keystroke, within the limit
    int m_lastDescriptionCursor = 0;
    bool m_filling = false;
};

} // namespace zov
