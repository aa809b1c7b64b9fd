#pragma once
// The update check: the version file "version.html" on the product web host names the latest
// version on its first line and the changes on the others; a newer version is offered, and when
// accepted its installer is downloaded, started, and the program closes.
//
// The commands run on the GUI thread, and their downloads on a thread of their own behind the
// progress window, each within a time limit; the background check downloads into a file of its
// own and hands the label and notes to the GUI thread in a queued call. Nothing the host sends
// becomes a file name or a command line unless it is a well-formed version label, and an
// installer is started only when it came from a host whose identity was verified (HTTPS).

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace zov {

// The product web host, without a trailing "/". A build setting (ZOV_WEB_HOST).
QString WebHost();

struct UpdateSettings {
    QString webHost; // the host the check, the installer and the upload use
    QString downloadFolder; // version.htm and the installer go here (created when missing)
    // Runs the downloaded installer (full path); 0 when started, else an error code.
    std::function<int(const QString& path)> runProgram;
    // The status texts of downloads with progress (the main window's status bar).
    std::function<void(const std::string&)> status;
    // Whether an installer fetched over plain HTTP may be started: only for a host under the
    // user's own control (tests, a local mirror); never the default.
    bool trustPlainHttp = false;
    // Milliseconds between tries to show an offer that arrived while another window was modal.
    int deferMs = 1000;
};

// The settings in force (GUI thread only); tests change them for a scope.
UpdateSettings& UpdateConfig();

// A label the host may send: a digit, ".", one or two digits and an optional capital letter
// (at most the 8 characters the offer shows). Anything else means "no update".
bool IsValidVersionLabel(const QString& label);
// Valid and after the program's own label in a byte-by-byte comparison ("2.6I", "2.7" are newer
// than "2.6H"; "2.10" is not).
bool IsNewerVersion(const QString& label);
// "ZovInst-" + the label without its second character + ".exe"; empty for an invalid label.
QString InstallerFileName(const QString& label);
// The first line of a version file's text.
QString FirstLine(const QString& text);

// Makes Path executable by its owner and starts it detached, in its own folder, by its full path.
// 0 when started, else the system's error number (or -1).
int RunProgram(const QString& path);

// The label of the last version file read (the field keeps the shortened label after an
// accepted offer).
QString AvailableVersion();

// Starts the background check (the main window does, once, when it is created; one still running
// is stopped first). A newer version is posted to the GUI thread and offered over Window as soon
// as no update command or modal window is under way. Window's destruction stops the check.
void StartUpdateCheck(QWidget* window);
// Asks the background check to stop and waits for it; no offer from it arrives after this.
void StopUpdateCheck();
// "&Check for Updates...": downloads the version file with progress and offers a newer version,
// else says "ZOV is already up-to-date" ("Cannot get information" when the download fails).
void UpdateClick(QWidget* window);
// Shows the offer for the last version file read; on Yes downloads the installer with progress
// and starts it, then closes Window.
void OfferUpdate(QWidget* window);
// Whether an update command (check, offer, download) is under way.
bool UpdateBusy();

} // namespace zov
