#include "shell/Help.h"

#include "plat_ui/DialogHost.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace zov {

namespace {
QString applicationHelpFile;
QPointer<HelpWindow> helpWindow;

QWidget* showHelp(QWidget* window, const QString& page)
{
    const QString folder = HelpFileInForce();
    const QString index = QStringLiteral("index.html");
    if (!QFileInfo(QDir(folder).filePath(index)).isFile()) {
        ui::ShowMessage(HelpMissingText + u'\n' + QDir::toNativeSeparators(folder), window);
        return nullptr;
    }
    if (!helpWindow) {
        helpWindow = new HelpWindow(window);
        static bool freedAtQuit = false;
        if (!window && !freedAtQuit) {
            freedAtQuit = true;
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { DestroyHelpWindow(); });
        }
    }
    if (!helpWindow->ShowPage(folder, page))
        helpWindow->ShowPage(folder, index);
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
    return helpWindow;
}
} // namespace

QString HelpPageOf(std::uint32_t context)
{
    if (context == HelpContextMain)
        return QStringLiteral("index.html");
    if (context == HelpContextHistory)
        return QStringLiteral("history.html");
    return QString::number(context) + QStringLiteral(".html");
}

QString ApplicationHelpFile()
{
    return applicationHelpFile;
}

void SetApplicationHelpFile(const QString& folder)
{
    applicationHelpFile = folder;
}

QString HelpFileInForce()
{
    if (const QWidget* active = QApplication::activeWindow()) {
        const QString own = active->property("helpFile").toString();
        if (!own.isEmpty())
            return own;
    }
    return applicationHelpFile;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Zovaran Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    resize(760, 560);
}

bool HelpWindow::ShowPage(const QString& folder, const QString& page)
{
    const QString path = QDir(folder).filePath(page);
    if (!QFileInfo(path).isFile())
        return false;
    m_browser->setSource(QUrl::fromLocalFile(path));
    return true;
}

QString HelpWindow::currentPage() const
{
    return QFileInfo(m_browser->source().toLocalFile()).fileName();
}

QWidget* HtmlHelpShowContents(QWidget* window)
{
    return showHelp(window, QStringLiteral("index.html"));
}

QWidget* HtmlHelpShowContext(QWidget* window, std::uint32_t context)
{
    return showHelp(window, HelpPageOf(context));
}

void SetHelpContext(QWidget* widget, std::uint32_t context)
{
    widget->setProperty("helpContext", context);
}

QWidget* ShowContextHelp(QWidget* focus)
{
    for (QWidget* w = focus; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        bool ok = false;
        const std::uint32_t context = w->property("helpContext").toUInt(&ok);
        if (ok && context != 0)
            return HtmlHelpShowContext(focus->window(), context);
    }
    return HtmlHelpShowContents(focus ? focus->window() : nullptr);
}

bool IsHelpKey(const QKeyEvent& event)
{
    return event.key() == Qt::Key_F1 && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void DestroyHelpWindow()
{
    delete helpWindow.data();
}

} // namespace zov
