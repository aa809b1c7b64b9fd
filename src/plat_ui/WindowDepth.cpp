#include "plat_ui/WindowDepth.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace zov::ui {

namespace {

bool HasFrame(const QWidget& window)
{
    switch (window.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Tool: return true;
    default: return false; // menus, tips and the like are never framed
    }
}

class FramedWindowsIn32Bits : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A window is polished before its native window is made, which is when its depth is chosen.
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && HasFrame(*widget) && !widget->testAttribute(Qt::WA_WState_Created)) {
                widget->setAttribute(Qt::WA_TranslucentBackground); // the 32-bit visual
                widget->setAttribute(Qt::WA_NoSystemBackground, false); // and the opaque background
            }
        }
        return false;
    }
};

} // namespace

void DrawFramedWindowsIn32Bits(QApplication& application)
{
    if (QApplication::platformName() == QLatin1String("xcb"))
        application.installEventFilter(new FramedWindowsIn32Bits(&application));
}

} // namespace zov::ui
