#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "plat_ui/ProgressWindow.h"
#include "plat_ui/SingleInstance.h"
#include "plat_ui/WindowDepth.h"
#include "shell/About.h"
#include "shell/ErrorDisplay.h"
#include "shell/Help.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"
#include "shell/Startup.h"
#include "shell/Update.h"


// The program's life, in the order of the start-up (see shell/Startup.h).
int main(int argc, char** argv)
{
    // Read meanwhile: the fonts' configuration, which the window's first text needs.
    zov::FontConfigReader fontConfig;
    zov::ZovApplication app(argc, argv);
    // Qt lets go of the fonts' configuration as the application object goes: not while it is
    // still being read (a second start ends at once).
    struct FontConfigAwaited {
        ~FontConfigAwaited() { zov::AwaitFontConfig(); }
    } fontConfigAwaited;
    QApplication::setWindowIcon(zov::ProgramIcon());
    zov::ui::DrawFramedWindowsIn32Bits(app);
    zov::LoadImageReadersAhead();
    const QStringList parameters = zov::CommandLineParameters();

    int exitCode = 0;
    // Only the editor that runs keeps the settings: a start that hands its file over neither reads
    // nor writes them, or it would write back at its end what it read at its start over what the
    // running editor wrote meanwhile.
    bool keepsSettings = false;
    try {
        zov::RegisterFileType();

        zov::ui::SingleInstance instance(zov::ui::SingleInstance::DefaultServerName());
        if (!zov::IsAlreadyRunning(instance, parameters)) {
            zov::LoadSettings();
            keepsSettings = true;
            zov::StartTrace(parameters);
            zov::ui::SetApplicationTitle(zov::ProgramTitle);
            // Errors caught by the canvas and the panels are shown like those reaching the loop.
            zov::SetErrorReporter([](const std::exception& error) { zov::DisplayException(error); });
            zov::SetProgressMaker(zov::ui::ProgressWindow::Maker());
            zov::SetApplicationHelpFile(QCoreApplication::applicationDirPath() + QStringLiteral("/help"));

            zov::StartupTimer startupTimer;
            // Made in steps: the window is laid out while the welcome page's previews are drawn on
            // another thread; the tool windows, which are not on the first screen, are made once
            // it is painted, or with the tab of a diagram opened from the command line.
            zov::TZovForm window(nullptr, zov::TZovForm::Made::InSteps);
            zov::FirstPaintWatch paintWatch(window);
            window.showMaximized();
            window.ShowWelcomePictures();
            instance.SetWindow(&window);
            instance.SetHandler([&window](const zov::ui::InstanceMessage& message) {
                if (message.open)
                    window.OpenHandedOver(QString::fromUtf8(message.path));
            });
            zov::UpdateConfig().status = [&window](const std::string& text) { window.StatusChange(text); };
            window.GetParams(parameters);
            QCoreApplication::processEvents();
            instance.SetHeld(false);
            if (zov::ExitWhenPainted()) {
                paintWatch.EnsurePainted();
                zov::FinishProcess();
                return 0;
            }
            window.MakeToolWindows();
            // The update check runs in the background once the window is up: loading the network
            // library meanwhile would hold up the window's first painting. Its answer can only be
            // shown from the message loop, after the about box, as before.
            zov::StartUpdateCheck(&window);
            // Made now, when it is about to show: nothing before needs it.
            zov::TAbout about(&window);
            if (!window.CurrentDiagram())
                startupTimer.ShowAbout(about);
            // The keyboard goes to the window once start-up is over (the about box may have had it),
            // so that its shortcuts work before the first click.
            window.activateWindow();
            exitCode = app.exec();
            zov::DestroyHelpWindow();
        }
    } catch (const std::exception& error) {
        zov::ShowPendingException(error);
        exitCode = 1;
    }
    if (keepsSettings)
        zov::FinishProcess();
    return exitCode;
}
