// The yardstick of the start-up benchmark: a bare Qt Widgets program that shows one window and
// ends as soon as it has been painted.

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class Window : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), Qt::white);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Window window;
    window.showMaximized();
    return app.exec();
}
