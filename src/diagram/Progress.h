#pragma once
// The progress window of a long operation: a caption, an information line, a bar and a Cancel
// button whose state the operation polls between its steps. The diagram works against this
// interface so that it stays free of widgets; the window layer supplies the real window (and
// installs a maker for it at start-up), tests a scripted one. Without a maker the operation runs
// with a null progress that is never cancelled. Header only: the window layer implements it
// without linking the diagram.

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace zov {

class Progress {
public:
    virtual ~Progress() = default;

    // Shows the window with CAPTION, the information line INFO and an empty bar that is full
    // after MAXIMUM steps.
    virtual void Open(const std::string& caption, const std::string& info, int maximum) = 0;
    // Advances the bar by one, then lets the pending events run once (repaint, the Cancel button).
    virtual void StepIt() = 0;
    // A new maximum for the bar of an open window (a length learnt once the window showed).
    virtual void SetMaximum(int) { }
    // Whether Cancel was pressed since Open.
    virtual bool Cancelled() const = 0;
    // Hides the window; harmless when it is not open.
    virtual void Close() = 0;
};

// A progress that shows nothing and is never cancelled.
class NullProgress : public Progress {
public:
    void Open(const std::string&, const std::string&, int) override { }
    void StepIt() override { }
    bool Cancelled() const override { return false; }
    void Close() override { }
};

using ProgressMaker = std::function<std::unique_ptr<Progress>()>;

inline ProgressMaker& CurrentProgressMaker()
{
    static ProgressMaker maker;
    return maker;
}

// Installs MAKER for the whole process (an empty one puts the null progress back); returns the
// one before.
inline ProgressMaker SetProgressMaker(ProgressMaker maker)
{
    return std::exchange(CurrentProgressMaker(), std::move(maker));
}

// A new progress window from the installed maker, or a null progress.
inline std::unique_ptr<Progress> NewProgress()
{
    if (const ProgressMaker& maker = CurrentProgressMaker()) {
        if (std::unique_ptr<Progress> p = maker())
            return p;
    }
    return std::make_unique<NullProgress>();
}

} // namespace zov
