#pragma once
// The window of one open diagram: it turns the window's events into calls on the diagram and
// shows the pictures the diagram draws. It owns its diagram.

#include "diagram/Diagram.h"
#include "diagram/DiagramHost.h"
#include "diagram_view/GdipPanel.h"

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void PaintDiagram(gfx::Graphics& g);
    void SyncScrollBars();

    std::unique_ptr<TDiagram> m_diagram;
    bool m_syncing = false;
    std::string m_lastPaintError; // each distinct paint failure is reported once
};

} // namespace zov
