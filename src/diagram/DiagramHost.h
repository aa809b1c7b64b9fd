#pragma once
// What a diagram needs of the window that shows it. The diagram itself is headless: previews and
// thumbnails have no host, tests give a fake one, the editor's canvas widget is the real one.

#include <cstdint>

namespace zov {

// Milliseconds since some fixed moment, wrapping at 2^32.
std::uint32_t SystemTickCount();

// Cursors the diagram asks for.
enum class ViewCursor { Default, Cross, PointingHand, Grip };

class DiagramHost {
public:
    virtual ~DiagramHost() = default;
    // Gives the window the keyboard focus; false when it cannot take it (not shown).
    virtual bool SetFocus() = 0;
    // Invalidate and repaint at once.
    virtual void Repaint() = 0;
    // The diagram's scroll ranges or positions changed.
    virtual void ScrollBarsChanged() { }
    virtual void SetCursor(ViewCursor) { }
    virtual std::uint32_t TickCount() const { return SystemTickCount(); }
    // The animation timer (one tick every Ms milliseconds calls the diagram's Step).
    virtual void StartAnimationTimer(int /*ms*/) { }
    virtual void StopAnimationTimer() { }
    virtual void Hide() { }
};

} // namespace zov
