#pragma once
// Help: the program's pages are an HTML folder shown in its own help window. The "help file" is that
// folder; the table of contents is its index.html and context N its page N.html (index.html when
// the folder has no such page).

#include <QString>
#include <QWidget>

#include <cstdint>

class QKeyEvent;
class QTextBrowser;

namespace zov {

inline constexpr std::uint32_t HelpContextMain = 101;
inline constexpr std::uint32_t HelpContextHistory = 301;
// The object setup dialog's controls: angles and shape (heading, ratio, arc), size, and the
// "Visible" and "Clockwise" boxes.
inline constexpr std::uint32_t HelpContextSetupAngles = 201;
inline constexpr std::uint32_t HelpContextSetupSize = 202;
inline constexpr std::uint32_t HelpContextSetupChecks = 203;
// Pages of the contexts that have a name of their own.
QString HelpPageOf(std::uint32_t context);

// The application's help folder.
QString ApplicationHelpFile();
void SetApplicationHelpFile(const QString& folder);
// The help folder of the active window when it has one (its "helpFile" property), else the application's.
QString HelpFileInForce();

class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Shows Page of Folder; false when the page does not exist.
    bool ShowPage(const QString& folder, const QString& page);
    QString currentPage() const;

private:
    QTextBrowser* m_browser;
};

// Open the help window on the table of contents, or on the page of Context. Return the window, or
// null when the help folder is missing (a message then says so). Window owns the help window when given.
QWidget* HtmlHelpShowContents(QWidget* window);
QWidget* HtmlHelpShowContext(QWidget* window, std::uint32_t context);
// Gives Widget a help context (see ShowContextHelp).
void SetHelpContext(QWidget* widget, std::uint32_t context);
// F1 in a window: the page of the help context of Focus, or of the nearest of its parents that
// has one; the table of contents when none has. Returns as HtmlHelpShowContext does.
QWidget* ShowContextHelp(QWidget* focus);
// Whether a key event is the help key, F1 without modifiers.
bool IsHelpKey(const QKeyEvent& event);

// Closes and frees the help window, if one was made.
void DestroyHelpWindow();

inline const QString HelpMissingText = QStringLiteral("The help pages are not installed:");

} // namespace zov
