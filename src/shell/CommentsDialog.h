#pragma once
// The text dialog: edits the text of the selected remark, balloon or document text of the
// current diagram. Edits reach the object as they are typed, so the diagram shows them at once
// and counts as modified; Cancel and the close box put back the text and the modified state the
// dialog found.

#include "plat/gfx/Font.h"

#include <QDialog>
#include <QPushButton>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QFontDialog;
class QFrame;
class QPlainTextEdit;

namespace zov {

// The font dialog of the text dialog: family, size and style as Qt's font dialog offers them,
// and the text colour from the sixteen basic colours (a colour outside them is offered too).
class TFontDialog : public QDialog {
public:
    explicit TFontDialog(QWidget* parent = nullptr);

    // Starts the dialog from Font and Colour (0xRRGGBB; any alpha is ignored).
    void SetChosen(const QFont& font, std::uint32_t colour);
    QFont SelectedFont() const;
    // The chosen colour as 0xRRGGBB.
    std::uint32_t SelectedColour() const;
    // Chooses Colour in the list (added when it is not one of the sixteen).
    void SetColour(std::uint32_t colour);

    QFontDialog* Fonts = nullptr;   // embedded, without buttons of its own
    QComboBox* Colours = nullptr;   // "Colour:"
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

private:
    // What SetChosen asked for, and what the font lists made of it: a family the system lacks is
    // shown as a stand-in, which must not come back as a change the user never made.
    QFont m_asked;
    QFont m_shown;
};

class DiagramLink;
class TGenText;

class TComments : public QWidget {
public:
    // Parent: the main window, above which the dialog stays as a tool window.
    explicit TComments(QWidget* parent = nullptr);

    // Fills the dialog from Text and shows it; nothing happens without a text. The caption
    // follows the kind: "Comments", "Summary", "Facts found", "Decision", "Balloon text",
    // "Remark text".
    void Refresh(TGenText* text);

    // The edited object while the dialog is shown; none once it is hidden.
    TGenText* FText = nullptr;

    QPlainTextEdit* Memo1 = nullptr;
    QCheckBox* CheckBox1 = nullptr; // "Frame" (remarks only)
    QCheckBox* CheckBox2 = nullptr; // "Transparent" (remarks only)
    QFrame* Panel1 = nullptr;       // the button strip
    QPushButton* Button4 = nullptr; // "&Delete"
    QPushButton* Button1 = nullptr; // "&Font"
    QPushButton* Button2 = nullptr; // "&OK"
    QPushButton* Button3 = nullptr; // "&Cancel" (also Esc)

    // Called whenever the program hides the dialog (OK, Cancel, Delete, the close box, or a
    // hide from outside), before FText is let go; not when the window system hides it.
    std::function<void()> OnHide;

    // The diagram was changed by other means while the dialog is open (an option, the
    // characteristics): Cancel must not take its modified mark away.
    void KeepModified();

    // The diagram that holds the texts; none (the default) follows the current diagram.
    void SetDiagram(DiagramLink* diagram) { m_diagram = diagram; }

    // The dialog's client size when a remark or a balloon is shown; a document text gets 100
    // pixels more each way.
    static constexpr int DesignWidth = 384;
    static constexpr int DesignHeight = 200;

    // The caption the dialog takes for Text: "Balloon text", "Remark text", or the document
    // text's name ("Comments", "Summary", "Facts found", "Decision").
    static QString CaptionOf(const TGenText& text);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    DiagramLink* Target() const;
    void TextChanged();
    void CheckBox1Click(bool checked);
    void CheckBox2Click(bool checked);
    void Button1Click(); // Font
    void Button2Click(); // OK
    void Button3Click(); // Cancel
    void Button4Click(); // Delete
    // Puts back what the last Refresh found: text, frame, transparency, font, modified state.
    void RestoreAsFilled();
    void MarkChanged();

    DiagramLink* m_diagram = nullptr;
    DiagramLink* m_shown = nullptr;  // the diagram of the text being edited
    std::string FOriginalText;       // the object's text when the dialog was filled
    struct Looks {
        std::uint8_t frame = 0;
        bool transparent = false;
        std::string fontName;
        std::int32_t fontSize = 0;
        std::int32_t fontStyle = 0;
        std::uint32_t fontColor = 0;
        gfx::Font font;
    } m_filledLooks;                   // and its looks
    std::uint8_t m_filledModified = 0; // the diagram's modified flag then
    // The diagram's undo stack then: an edit recorded since is another change Cancel keeps.
    std::size_t m_undoDepth = 0;
    const void* m_undoTop = nullptr;
    bool FChanged = false;           // text or looks changed since
    bool m_filling = false;
};

} // namespace zov
