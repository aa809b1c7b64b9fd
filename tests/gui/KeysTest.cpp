#include "diagram/Diagram.h"
#include "diagram_view/DiagramView.h"
#include "model/Settings.h"
#include "shell/MainWindow.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"

#include <QApplication>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// The main window, active, with a diagram of three steps in its view, which has the focus.
struct KeysFixture {
    KeysFixture()
    {
        ShowMainWindowForTest(window);
        window.NewFromTemplate(3);
        d = window.CurrentDiagram();
        SailOnToStep(*d, 3);
        d->FModified = 0;
        view = window.CurrentView();
        // The user comes back to the main window from the palette the template opened.
        QApplication::processEvents();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            ADD_FAILURE() << "the main window is not active";
        // The user clicks an empty spot of the diagram.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        if (!QTest::qWaitFor([this] { return QApplication::focusWidget() == view; }))
            ADD_FAILURE() << "the diagram has no focus";
    }
    // A key pressed on the keyboard: the window hands it to the widget with the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(window.windowHandle(), key, modifiers);
        view->viewport()->repaint(); // a moved scroll bar moves the view at the next paint
    }
    // What the user sees of the diagram: where the view stands and where its bars are.
    std::tuple<int, int, TRect4, TPoint> scrolled() const
    {
        return { view->horizontalScrollBar()->value(), view->verticalScrollBar()->value(), d->FView, d->FCentre };
    }

    FakeDialogHost host;
    TZovForm window;
    TDiagram* d = nullptr;
    DiagramView* view = nullptr;
};

} // namespace

TEST(DiagramKeys, NoKeyScrollsTheViewInEditOrAnimationMode)
{
    KeysFixture f;
    TDiagram& d = *f.d;
    const auto before = f.scrolled();
    ASSERT_GT(f.view->verticalScrollBar()->maximum(), 0);
    ASSERT_GT(f.view->horizontalScrollBar()->maximum(), 0);
    for (Qt::Key key : { Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_PageDown, Qt::Key_PageUp,
             Qt::Key_End, Qt::Key_Home, Qt::Key_Space }) {
        f.press(key);
        EXPECT_EQ(f.scrolled(), before) << key;
        EXPECT_EQ(QApplication::focusWidget(), f.view);
    }
    // The scroll bars still scroll, and keys pressed after them still do not.
    QTest::mouseClick(f.view->verticalScrollBar(), Qt::LeftButton, Qt::NoModifier,
        QPoint(f.view->verticalScrollBar()->width() / 2, f.view->verticalScrollBar()->height() - 4));
    f.view->viewport()->repaint();
    auto moved = f.scrolled();
    EXPECT_NE(moved, before);
    for (Qt::Key key : { Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Right })
        f.press(key);
    EXPECT_EQ(f.scrolled(), moved);

    // In animation the keys drive the animation, and the view stays where it is.
    QTest::mouseClick(f.window.StartButton, Qt::LeftButton);
    ASSERT_EQ(d.FDisplayMode, dmAnimation);
    f.press(Qt::Key_Space);
    ASSERT_EQ(d.FPaused, 1);
    QApplication::processEvents(); // the animation bar takes its place under the view
    f.view->viewport()->repaint();
    moved = f.scrolled();
    f.press(Qt::Key_Home);
    EXPECT_EQ(d.FStep, 1);
    EXPECT_EQ(d.FFrameIndex, 0);
    f.press(Qt::Key_Right); // one frame on
    EXPECT_EQ(d.FFrameIndex, 1);
    f.press(Qt::Key_Down);
    EXPECT_EQ(d.FFrameIndex, 2);
    f.press(Qt::Key_Up);
    f.press(Qt::Key_Left);
    EXPECT_EQ(d.FFrameIndex, 0);
    EXPECT_EQ(f.scrolled(), moved);
    f.press(Qt::Key_PageDown); // plays on to the next step
    EXPECT_EQ(d.FPaused, 0);
    EXPECT_EQ(d.FPlayUntil, 2);
    EXPECT_EQ(f.scrolled(), moved);
    f.press(Qt::Key_Space);
    EXPECT_EQ(d.FPaused, 1);
    f.press(Qt::Key_PageUp); // back to the start of the step
    EXPECT_EQ(d.FStep, 1);
    EXPECT_EQ(d.FFrameIndex, 0);
    f.press(Qt::Key_End);
    EXPECT_EQ(f.scrolled(), moved);
    f.press(Qt::Key_Escape);
    EXPECT_EQ(d.FDisplayMode, dmEdit);
}

TEST(AnimationBar, ThePositionSlidersPageKeysStepTheAnimationOnlyWhilePaused)
{
    KeysFixture f;
    TDiagram& d = *f.d;
    QSlider* slider = f.window.TrackBar;
    // In edit mode the slider's keys do nothing to the diagram.
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(d.FDisplayMode, dmEdit);

    QTest::mouseClick(f.window.StartButton, Qt::LeftButton);
    ASSERT_EQ(d.FDisplayMode, dmAnimation);
    // Running, the keys are not bound: the stop point stays at the last step.
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(d.FPlayUntil, 3);
    QTest::mouseClick(f.window.PauseButton, Qt::LeftButton);
    ASSERT_EQ(d.FPaused, 1);
    const int step = d.FStep;
    ASSERT_LT(step, 3);

    // Paused: Page Down plays on to the next step and pauses there.
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(d.FPaused, 0);
    EXPECT_EQ(d.FPlayUntil, step + 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return d.FPaused == 1; }, 5000));
    EXPECT_EQ(d.FStep, step + 1);
    EXPECT_EQ(d.FFrameIndex, 0);
    EXPECT_EQ(slider->value(), step * FramesPerStep);
    // Page Up goes back to the start of the step before, through the slider.
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(d.FStep, step);
    EXPECT_EQ(d.FFrameIndex, 0);
    EXPECT_EQ(slider->value(), (step - 1) * FramesPerStep);
    EXPECT_EQ(d.FPaused, 1);
    // Other keys leave the diagram alone.
    QTest::keyClick(slider, Qt::Key_Space);
    EXPECT_EQ(d.FPaused, 1);
    EXPECT_EQ(d.FStep, step);
}
