#pragma once
// A window and dialogs for a diagram under test: a clock the test sets, a recorded timer and
// cursor, and the dialog calls counted.

#include "diagram/Diagram.h"
#include "diagram/DiagramHost.h"
#include "diagram/ShellLink.h"

#include <string>
#include <vector>

namespace zovtest {

class FakeHost : public zov::DiagramHost {
public:
    bool SetFocus() override { return false; }
    void Repaint() override { ++repaints; }
    void SetCursor(zov::ViewCursor c) override { cursor = c; }
    std::uint32_t TickCount() const override { return now; }
    void StartAnimationTimer(int ms) override { timerMs = ms; }
    void StopAnimationTimer() override { timerMs = 0; }
    void Hide() override { hidden = true; }

    std::uint32_t now = 1000;
    int repaints = 0;
    int timerMs = 0;
    bool hidden = false;
    zov::ViewCursor cursor = zov::ViewCursor::Default;
};

class FakeShell : public zov::ShellLink {
public:
    FakeShell() : m_previous(zov::Shell) { zov::Shell = this; }
    ~FakeShell() override { zov::Shell = m_previous; }

    void SetupShow(zov::TObjet* o) override { setupFor = o; setupVisible = true; }
    void SetupRefresh() override { ++setupRefreshes; }
    void HideSetup() override { setupVisible = false; }
    bool SetupVisible() const override { return setupVisible; }
    void CommentsShow(zov::TGenText* t) override { commentsFor = t; }
    void HideComments() override { commentsFor = nullptr; }
    bool ChoosePictureModal() override { return pictureChosen; }
    const gfx::Bitmap* ChosenPicture() const override { return picture; }
    bool ChosenPictureIsBackground() const override { return background; }
    void RulesPanelRefresh() override { ++rulesRefreshes; }
    void ShowMessage(const std::string& m) override { messages.push_back(m); }

    zov::TObjet* setupFor = nullptr;
    bool setupVisible = false;
    int setupRefreshes = 0;
    zov::TGenText* commentsFor = nullptr;
    bool pictureChosen = false;
    const gfx::Bitmap* picture = nullptr;
    bool background = false;
    int rulesRefreshes = 0;
    std::vector<std::string> messages;

private:
    zov::ShellLink* m_previous;
};

// A diagram at zoom 1 showing the world 0..1000 x 0..1000, so client pixels are world units.
struct EditFixture {
    EditFixture()
        : diagram(&host)
    {
        diagram.FShowGrid = 0;
        diagram.FShowLaylines = 0;
        diagram.SetClientSize(1000, 1000);
        diagram.FCentre = { 500, 500 };
        diagram.NewDisplay();
    }
    // Mouse moves are handled at most every 100 ms: each call moves the clock on first.
    void move(int shift, int x, int y)
    {
        host.now += 150;
        diagram.FormMouseMove(shift, x, y);
    }
    void click(int x, int y, zov::MouseButton b = zov::MouseButton::Left)
    {
        diagram.FormMouseDown(b, 0, x, y);
        diagram.FormMouseUp(b, 0, x, y);
    }

    FakeHost host;
    FakeShell shell;
    zov::TDiagram diagram;
    zov::CurrentDiagramScope current { &diagram };
};

} // namespace zovtest
