#pragma once
// What a diagram asks of the program's dialogs and message boxes while it is edited: the
// object setup dialog, the text dialog, the palette, the picture chooser and the rules panel.
// The application shell puts the real dialogs behind it; without a shell every call is a no-op.

#include <string>

namespace gfx {
class Bitmap;
}

namespace zov {

class TObjet;
class TGenText;

class ShellLink {
public:
    virtual ~ShellLink() = default;

    // Object setup dialog.
    virtual void SetupShow(TObjet*) { }  // refresh it for the object and show it
    virtual void SetupRefresh() { }      // refill it from the selected object
    virtual void HideSetup() { }
    virtual bool SetupVisible() const { return false; }
    // Its "Free" button (leaves insert mode); Focus makes it the dialog's active control.
    virtual void SetupFreeButtonEnabled(bool, bool /*focus*/ = false) { }
    // Moves the dialog to the other side of the screen from SX (pixels) when it would hide it.
    virtual void SetupKeepClearOf(int /*sx*/) { }

    // Text dialog.
    virtual void CommentsShow(TGenText*) { }
    virtual void HideComments() { }

    // Palette: its "Free" button.
    virtual void PaletteFreeButtonEnabled(bool) { }

    // Picture chooser: shown modally; false when it was cancelled.
    virtual bool ChoosePictureModal() { return false; }
    virtual const gfx::Bitmap* ChosenPicture() const { return nullptr; }
    virtual bool ChosenPictureIsBackground() const { return false; }

    // Rules panel, when visible.
    virtual void RulesPanelRefresh() { }

    // Hides the characteristics dialog, the palette, the picture chooser and the rules panel.
    virtual void HideToolWindows() { }

    // A message box with an OK button.
    virtual void ShowMessage(const std::string&) { }
};

// The program's dialogs; null when none exist (tests, tools). They belong to the GUI thread:
// each thread has its own link, null on every other thread.
extern thread_local ShellLink* Shell;

} // namespace zov
