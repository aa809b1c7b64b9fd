#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "plat_ui/SingleInstance.h"
#include "shell/About.h"
#include "shell/ErrorDisplay.h"
#include "shell/Help.h"
#include "shell/Settings.h"
#include "shell/Startup.h"

#include <QLabel>
#include <QVBoxLayout>

// The program's life, in the order of the start-up (see shell/Startup.h).
int main(int argc, char** argv)
{
    zov::ZovApplication app(argc, argv);
    QApplication::setWindowIcon(zov::ProgramIcon());
    const QStringList parameters = zov::CommandLineParameters();

    int exitCode = 0;
    try {
        zov::RegisterFileType();
        zov::LoadSettings();

        zov::ui::SingleInstance instance(zov::ui::SingleInstance::DefaultServerName());
        if (!zov::IsAlreadyRunning(instance, parameters)) {
            zov::StartTrace(parameters);
            zov::ui::SetApplicationTitle(zov::ProgramTitle);
            // Errors caught by the canvas and the panels are shown like those reaching the loop.
            zov::SetErrorReporter([](const std::exception& error) { zov::DisplayException(error); });
            zov::SetApplicationHelpFile(QCoreApplication::applicationDirPath() + QStringLiteral("/help"));

            // The editor's main window is not built yet: a plain window stands in for it.
            QWidget window;
            window.setWindowTitle(zov::ProgramTitle + QStringLiteral(" ") + zov::VersionLabel);
            auto* layout = new QVBoxLayout(&window);
            auto* label = new QLabel(QStringLiteral("The main window of the editor is not built yet."), &window);
            label->setAlignment(Qt::AlignCenter);
            layout->addWidget(label);
            zov::StartupTimer startupTimer;
            window.showMaximized();
            zov::TAbout about;

            instance.SetWindow(&window);
            instance.SetHandler([label](const zov::ui::InstanceMessage& message) {
                zov::Trace("Instance message: " + message.path.toStdString());
                if (message.open)
                    label->setText(QStringLiteral("Handed over: ") + QString::fromUtf8(message.path));
            });
            QCoreApplication::processEvents();
            instance.SetHeld(false);
            startupTimer.ShowAbout(about);
            exitCode = app.exec();
            zov::DestroyHelpWindow();
        }
    } catch (const std::exception& error) {
        zov::ShowPendingException(error);
        exitCode = 1;
    }
    zov::FinishProcess();
    return exitCode;
}
