#include "shell/Update.h"

#include "diagram/Progress.h"
#include "plat/rt/Cp1252.h"
#include "plat/rt/Errors.h"
#include "plat/sys/ProgramInfo.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "plat_ui/net/HttpDownload.h"
#include "plat_ui/net/TransferWait.h"
#include "shell/UpdateDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <thread>

#ifndef ZOV_WEB_HOST
#define ZOV_WEB_HOST "http://localhost"
#endif
#ifndef ZOV_INSTALLER_PATTERN
#define ZOV_INSTALLER_PATTERN "ZovInst-%1.exe"
#endif

namespace zov {

namespace {

// A version file is a label and a few lines of notes; anything bigger is not one.
constexpr std::int64_t MaxVersionFile = 64 * 1024;
// An installer of this program is some tens of megabytes; a reply far beyond is not one.
constexpr std::int64_t MaxInstaller = 256 * 1024 * 1024;
// Every transfer ends in this time at the latest, whatever the host does.
constexpr int VersionFileTimeMs = 60 * 1000;
constexpr int InstallerTimeMs = 30 * 60 * 1000;

QString defaultHost()
{
    QString host = QStringLiteral(ZOV_WEB_HOST);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

UpdateSettings makeSettings()
{
    UpdateSettings s;
    s.webHost = defaultHost();
    s.downloadFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/update");
    s.runProgram = RunProgram;
    return s;
}

// What the GUI thread knows of the last version file read.
struct UpdateState {
    QString available; // the label (FAvailableVersion)
    QString text; // the whole version file
    bool busy = false;
};

UpdateState& state()
{
    static UpdateState s;
    return s;
}

class BusyScope {
public:
    BusyScope() { state().busy = true; }
    ~BusyScope() { state().busy = false; }
};

QString ensureFolder()
{
    const QString folder = UpdateConfig().downloadFolder;
    if (!QDir().mkpath(folder))
        throw rt::IoError("Cannot create the folder " + folder.toStdString());
    return folder;
}

// The version file's text; a file that cannot be read raises rt::IoError.
QString readVersionText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw rt::IoError("Cannot read " + path.toStdString(), int(file.error()));
    const QByteArray bytes = file.read(MaxVersionFile);
    return rt::FromCp1252(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

net::DownloadOptions progressOptions(Progress& progress)
{
    net::DownloadOptions o;
    o.progress = &progress;
    o.status = UpdateConfig().status;
    return o;
}

QString megabytes(std::int64_t bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

// "Cannot get new version", and why when the reason is the size.
QString installerFailureText(const net::DownloadReply& reply, const QString& folder)
{
    const QString text = QStringLiteral("Cannot get new version");
    if (reply.result == net::DownloadTooLarge)
        return text + QStringLiteral(": the file offered is %1 MB, more than an installer can be (%2 MB)")
                          .arg(megabytes(reply.announced), megabytes(MaxInstaller));
    if (reply.result == ENOSPC)
        return text + QStringLiteral(": there is not enough free space in %1 for its %2 MB")
                          .arg(QDir::toNativeSeparators(folder), megabytes(reply.announced));
    return text;
}

bool installerMayRun()
{
    return UpdateConfig().webHost.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive)
        || UpdateConfig().trustPlainHttp;
}

void offer(QWidget* window)
{
    TZovUpdate dialog(window);
    if (!dialog.FormShow(state().text))
        return;
    if (ui::Dialogs().Exec(dialog) != QDialog::Accepted)
        return;
    const QString label = state().available;
    const QString name = InstallerFileName(label);
    if (name.isEmpty())
        return;
    state().available.remove(1, 1);

    const QString folder = ensureFolder();
    const QString path = folder + QLatin1Char('/') + name;
    std::unique_ptr<Progress> progress = NewProgress();
    net::DownloadOptions options = progressOptions(*progress);
    options.maxSize = MaxInstaller;
    options.timeoutMs = InstallerTimeMs;
    const net::DownloadReply reply = net::DownloadFile(
        (UpdateConfig().webHost + QLatin1Char('/') + name).toStdString(), path.toStdString(), options);
    if (reply.result != net::DownloadDone || reply.httpStatus != 200) {
        QFile::remove(path); // an error page is not an installer
        ui::ShowMessage(installerFailureText(reply, folder), window);
        return;
    }
    if (!installerMayRun()) {
        ui::ShowMessage(QStringLiteral("The new version was saved as %1\nIt was not started: it came over a connection "
                                       "whose origin cannot be verified")
                            .arg(QDir::toNativeSeparators(path)),
            window);
        return;
    }
    if (UpdateConfig().runProgram(path) != 0) {
        ui::ShowMessage(QStringLiteral("Cannot start new version"), window);
        return;
    }
    if (window)
        window->close();
}

// The background check: one download on a thread of its own, the result handed over in a queued
// call to this object, which lives on the GUI thread. Destroying it stops and joins the thread,
// and drops a call still queued.
class BackgroundCheck : public QObject {
public:
    BackgroundCheck(QWidget* window)
        : QObject(window)
        , m_window(window)
    {
        const std::string url = (UpdateConfig().webHost + QStringLiteral("/version.html")).toStdString();
        const std::string file = (ensureFolder() + QStringLiteral("/version-check.htm")).toStdString();
        m_thread = std::thread([this, url, file] { Run(url, file); });
    }

    ~BackgroundCheck() override
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void Run(const std::string& url, const std::string& file)
    {
        try {
            net::DownloadOptions o;
            o.stop = &m_stop;
            o.maxSize = MaxVersionFile;
            o.timeoutMs = VersionFileTimeMs;
            const net::DownloadReply reply = net::DownloadFile(url, file, o);
            if (reply.result != net::DownloadDone)
                return;
            const QString path = QString::fromStdString(file);
            QString text;
            try {
                text = readVersionText(path);
            } catch (const rt::Error&) {
            }
            QFile::remove(path);
            const QString label = FirstLine(text);
            if (reply.httpStatus != 200 || !IsNewerVersion(label) || m_stop)
                return;
            QMetaObject::invokeMethod(this, [this, label, text] { Arrived(label, text); }, Qt::QueuedConnection);
        } catch (...) {
            // The background check ends silently, whatever went wrong.
        }
    }

    void Arrived(const QString& label, const QString& text)
    {
        if (state().busy) // a check from the menu is under way: it makes its own offer
            return;
        state().available = label;
        state().text = text;
        TryOffer();
    }

    // Shown once no other command, transfer or modal window is under way.
    void TryOffer()
    {
        if (state().busy || QApplication::activeModalWidget() || net::TransferRunning()) {
            QTimer::singleShot(UpdateConfig().deferMs, this, [this] { TryOffer(); });
            return;
        }
        // Called from the event loop: a failure (no download folder, a broken transfer) is
        // shown, never thrown through the loop, which would end the program unsaved.
        try {
            OfferUpdate(m_window);
        } catch (const std::exception& e) {
            ReportError(e);
        }
    }

    QPointer<QWidget> m_window;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

QPointer<BackgroundCheck> backgroundCheck;

} // namespace

QString WebHost()
{
    return UpdateConfig().webHost;
}

UpdateSettings& UpdateConfig()
{
    static UpdateSettings settings = makeSettings();
    return settings;
}

bool IsValidVersionLabel(const QString& label)
{
    // Checked by hand: the background thread calls this too, and shares no objects with the GUI.
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    qsizetype n = label.size();
    if (n > 0 && label[n - 1] >= QLatin1Char('A') && label[n - 1] <= QLatin1Char('Z'))
        --n;
    if (n < 3 || n > 4 || !digit(label[0]) || label[1] != QLatin1Char('.'))
        return false;
    for (qsizetype i = 2; i < n; ++i) {
        if (!digit(label[i]))
            return false;
    }
    return true;
}

bool IsNewerVersion(const QString& label)
{
    // Both are plain ASCII here, so comparing UTF-16 units is comparing bytes.
    return IsValidVersionLabel(label) && QString::compare(label, VersionLabel, Qt::CaseSensitive) > 0;
}

QString InstallerFileName(const QString& label)
{
    if (!IsValidVersionLabel(label))
        return {};
    QString shortened = label;
    shortened.remove(1, 1);
    return QStringLiteral(ZOV_INSTALLER_PATTERN).arg(shortened);
}

QString FirstLine(const QString& text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
        ++end;
    return text.left(end);
}

int RunProgram(const QString& path)
{
    const QFileInfo info(path);
    QFile file(info.absoluteFilePath());
    if (!file.exists())
        return ENOENT;
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    errno = 0;
    if (!QProcess::startDetached(info.absoluteFilePath(), {}, info.absolutePath()))
        return errno ? errno : -1;
    return 0;
}

QString AvailableVersion()
{
    return state().available;
}

void StartUpdateCheck(QWidget* window)
{
    StopUpdateCheck();
    try {
        backgroundCheck = new BackgroundCheck(window);
    } catch (const rt::Error& e) {
        Trace(std::string("Update check not started: ") + e.what());
    }
}

void StopUpdateCheck()
{
    delete backgroundCheck.data();
}

void UpdateClick(QWidget* window)
{
    if (state().busy)
        return;
    {
        BusyScope busy;
        const QString path = ensureFolder() + QStringLiteral("/version.htm");
        std::unique_ptr<Progress> progress = NewProgress();
        net::DownloadOptions o = progressOptions(*progress);
        o.maxSize = MaxVersionFile;
        o.timeoutMs = VersionFileTimeMs;
        const net::DownloadReply reply = net::DownloadFile(
            (UpdateConfig().webHost + QStringLiteral("/version.html")).toStdString(), path.toStdString(), o);
        if (reply.result != net::DownloadDone || reply.httpStatus != 200) {
            ui::ShowMessage(QStringLiteral("Cannot get information"), window);
            return;
        }
        state().text = readVersionText(path);
        state().available = FirstLine(state().text);
        if (!IsNewerVersion(state().available)) {
            ui::ShowMessage(QStringLiteral("ZOV is already up-to-date"), window);
            return;
        }
    }
    OfferUpdate(window);
}

void OfferUpdate(QWidget* window)
{
    if (state().busy)
        return;
    BusyScope busy;
    offer(window);
}

bool UpdateBusy()
{
    return state().busy;
}

} // namespace zov
