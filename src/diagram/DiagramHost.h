#pragma once
// What a diagram needs of the window that shows it. The diagram itself is headless: previews and
// thumbnails have no host, tests give a fake one, the editor's canvas widget is the real one.

namespace zov {

class DiagramHost {
public:
    virtual ~DiagramHost() = default;
    // Gives the window the keyboard focus; false when it cannot take it (not shown).
    virtual bool SetFocus() = 0;
    // Invalidate and repaint at once.
    virtual void Repaint() = 0;
    // The diagram's scroll ranges or positions changed.
    virtual void ScrollBarsChanged() { }
};

} // namespace zov
