#pragma once
// The depth the program's framed windows are drawn in on X11.
//
// A compositing window manager puts each window in a frame of its own, and metacity's frames are
// 32-bit whatever the window. The X server copies a window whose depth differs from its frame's
// into the frame itself; when it does so while drawing a software pointer, it does not tell the
// compositor, and the screen keeps the window's former picture until it next draws. The view's
// last picture before the setup window showed or hid (a selection, a deselection) stayed off the
// screen that way. So every framed window is drawn in 32 bits: it then draws into a 32-bit frame
// directly, reported to the compositor like any drawing, and window managers that fit the frame to
// the window (xfwm4, openbox) give it a 32-bit frame too. The windows stay opaque: their
// background is painted as it always was.

class QApplication;

namespace zov::ui {

// From now on, windows with a frame are made 32-bit on X11; elsewhere nothing changes.
void DrawFramedWindowsIn32Bits(QApplication& application);

} // namespace zov::ui
