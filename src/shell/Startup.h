#pragma once
// The start-up steps that come before the main window, and the steps of process end.
//
// The order, as main() runs it: the file type is declared (RegisterFileType); a running instance
// takes over (IsAlreadyRunning), and the start ends there, its settings untouched; the settings
// are read (LoadSettings); the "debug" switch opens the trace file (StartTrace); the application
// title and help file are set; the main window is made, shown and painted, with a diagram named
// on the command line; the tool windows are made and the update check starts; the about box shows
// until the start-up timer ticks when no diagram opened; the message loop runs. At process end:
// ShowPendingException for an error nothing caught, then FinishProcess once the settings were read.
//
// Work that nothing waits for goes on meanwhile on other threads: the fonts' configuration is
// read from the first moment (FontConfigReader), Qt's image readers are loaded
// (LoadImageReadersAhead) and the welcome page's previews are drawn while the window is built.

#include "plat/sys/ProgramInfo.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <thread>

class QWidget;

namespace zov {

namespace ui {
class SingleInstance;
}


// The command-line parameters, without the program name.
QStringList CommandLineParameters();

// Text when the file a second start was given cannot be handed over whole.
inline const QString PathTooLongText = QStringLiteral("The file name is too long to be passed to the running Zovaran:");

// True when another instance runs: it has been asked to come forward and, when the first parameter
// names a file, given that file made absolute (relative to this process's current folder). A
// switch as first parameter only brings it forward, as does a path too long for the message (which
// is then refused with a message). Otherwise Instance now listens as the running instance
// (held until the main window is ready) and false is returned.
bool IsAlreadyRunning(ui::SingleInstance& instance, const QStringList& parameters);

// The "debug" switch: sets DebugMode when a parameter is "-debug" or "/debug" (any case) and then
// creates the trace file "TRACE.TXT" in the current folder; rt::IoError when it cannot.
void StartTrace(const QStringList& parameters);

// Reads the fonts' configuration on a thread of its own from the program's first moment: fontconfig
// parses some fifty files at every start, which nothing before the window's first text needs.
// AwaitFontConfig waits for it; until then nothing may measure or draw text, or the configuration
// would be read a second time.
class FontConfigReader {
public:
    FontConfigReader();
    ~FontConfigReader();
    FontConfigReader(const FontConfigReader&) = delete;
    FontConfigReader& operator=(const FontConfigReader&) = delete;

private:
    std::thread m_thread;
};
// Returns once the configuration is read (at once when no reader was started). Any thread.
void AwaitFontConfig();

// Qt reads pictures through plugins, loaded the first time a picture is read, all of them at once
// to ask which reads it: the menu bar reads its own button's picture as the window is made. They
// are loaded on a thread of Qt's pool meanwhile, once the application object exists.
void LoadImageReadersAhead();

// Start-up measurements (bench/StartupBench.cpp) set ZOVARAN_EXIT_WHEN_PAINTED: the program then
// ends as soon as its window has been painted whole, before the about box and the message loop.
bool ExitWhenPainted();
// Makes sure WINDOW has been painted whole once: paints it now unless a paint already went by
// since the watch began.
class FirstPaintWatch : public QObject {
public:
    explicit FirstPaintWatch(QWidget& window);
    void EnsurePainted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    bool m_painted = false;
};

// The finalisations: "Trace closed" and the trace file closed, then the recent files written back.
void FinishProcess();

} // namespace zov
