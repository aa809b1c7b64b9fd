#pragma once
// The window of one open diagram: it turns the window's events into calls on the diagram and
// shows the pictures the diagram draws. It owns its diagram.

#include "diagram/Diagram.h"
#include "diagram/DiagramHost.h"
#include "diagram_view/GdipPanel.h"

#include <QBasicTimer>

#include <memory>
#include <string>

namespace zov {

class DiagramView : public TGDIPPanel, public DiagramHost {
    Q_OBJECT
public:
    explicit DiagramView(QWidget* parent = nullptr);
    ~DiagramView() override;

    TDiagram& diagram() { return *m_diagram; }

    // DiagramHost
    bool SetFocus() override;
    void Repaint() override;
    void ScrollBarsChanged() override;
    void SetCursor(ViewCursor cursor) override;
    void StartAnimationTimer(int ms) override;
    void StopAnimationTimer() override;
    void Hide() override;
    bool AnimationTimerActive() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool PaintCovers(const QRect& r) const override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void PaintDiagram(gfx::Graphics& g);
    void SyncScrollBars();

    // Runs an edit or animation handler; an error is shown once and the animation stops.
    template <class F> void Guarded(F&& handler);

    std::unique_ptr<TDiagram> m_diagram;
    QBasicTimer m_timer;
    bool m_syncing = false;
    std::string m_lastPaintError; // each distinct paint failure is reported once
};

} // namespace zov
