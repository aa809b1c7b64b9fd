#include "shell/Startup.h"

#include "plat/io/Paths.h"
#include "plat/sys/Pool.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/SingleInstance.h"
#include "shell/Settings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QWidget>

#include <fontconfig/fontconfig.h>

#include <future>

namespace zov {

QStringList CommandLineParameters()
{
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();
    return args;
}

bool IsAlreadyRunning(ui::SingleInstance& instance, const QStringList& parameters)
{
    ui::InstanceMessage message;
    bool tooLong = false;
    if (!parameters.isEmpty() && !IsSwitch(parameters.first()) && !parameters.first().isEmpty()) {
        // The running instance has its own current folder: send a path it can open as it is.
        const QByteArray path = QFileInfo(parameters.first()).absoluteFilePath().toUtf8();
        // A cut path would open another file, or none: refuse rather than cut.
        tooLong = path.size() > ui::SingleInstance::MaxPathBytes;
        if (!tooLong) {
            message.open = true;
            message.path = path;
        }
    }
    // A start that finds the name taken when its turn comes hands over to the one that took it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (instance.SendToRunning(message)) {
            if (tooLong)
                ui::ShowMessage(PathTooLongText + u'\n' + parameters.first());
            return true;
        }
        // Messages wait until the main window can take them.
        instance.SetHeld(true);
        if (instance.Listen() || !instance.takenByAnother())
            return false;
    }
    return false;
}

void StartTrace(const QStringList& parameters)
{
    DebugMode = HasDebugSwitch(parameters);
    if (DebugMode)
        TraceOpen("TRACE.TXT");
}

namespace {

// Ready once the reader has read the configuration; invalid while no reader ever started.
std::shared_future<void>& fontConfigRead()
{
    static std::shared_future<void> read;
    return read;
}

} // namespace

FontConfigReader::FontConfigReader()
{
    std::promise<void> done;
    fontConfigRead() = done.get_future().share();
    m_thread = std::thread([done = std::move(done)]() mutable {
        FcInit();
        done.set_value();
    });
}

FontConfigReader::~FontConfigReader()
{
    m_thread.join();
}

void AwaitFontConfig()
{
    const std::shared_future<void> read = fontConfigRead();
    if (read.valid())
        read.wait();
}

void LoadImageReadersAhead()
{
    sys::RunOnPool([] { QImageReader::supportedImageFormats(); });
}

bool ExitWhenPainted()
{
    return qEnvironmentVariableIsSet("ZOVARAN_EXIT_WHEN_PAINTED");
}

FirstPaintWatch::FirstPaintWatch(QWidget& window)
    : m_window(window)
{
    m_window.installEventFilter(this);
}

bool FirstPaintWatch::eventFilter(QObject* watched, QEvent* event)
{
    // The window's children are painted in the same pass, right after the window itself.
    if (watched == &m_window && event->type() == QEvent::Paint)
        m_painted = true;
    return false;
}

void FirstPaintWatch::EnsurePainted()
{
    if (!m_painted)
        m_window.repaint();
}

void FinishProcess()
{
    TraceClose();
    SaveRecentFiles();
}

} // namespace zov
