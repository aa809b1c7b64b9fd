#include "shell/MainWindow.h"

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "diagram_view/DiagramView.h"
#include "plat/io/Paths.h"
#include "plat/rt/Errors.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "plat_ui/FileIcons.h"
#include "plat_ui/net/TransferWait.h"
#include "shell/About.h"
#include "shell/CommentsDialog.h"
#include "shell/Help.h"
#include "shell/Characteristics.h"
#include "shell/FileList.h"
#include "shell/ImageSelect.h"
#include "shell/ObjectPalette.h"
#include "shell/RulesPanel.h"
#include "shell/Settings.h"
#include "shell/SetupDialog.h"
#include "shell/Startup.h"
#include "shell/Update.h"
#include "shell/Upload.h"
#include "shell/WelcomePage.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QUrl>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

// The frame of the program: tabs, the File and View menus, opening, saving and closing.

namespace zov {

QString LastFolder;
TZovForm* ZovForm = nullptr;

namespace {

struct Template {
    const char* menuCaption;
    QKeySequence shortcut;
    void (TDiagram::*make)();
    const char* tabCaption;
};

const Template Templates[] = {
    { "&Starting area", QKeySequence(Qt::CTRL | Qt::Key_B), &TDiagram::NewStart, "New Starting area" },
    { "&Windward Finishing area", QKeySequence(Qt::CTRL | Qt::Key_F), &TDiagram::NewFinish1, "New Finishing area" },
    { "&Leeward Finishing area", QKeySequence(Qt::CTRL | Qt::Key_H), &TDiagram::NewFinish2, "New Finishing area" },
    { "&Windward mark", QKeySequence(Qt::CTRL | Qt::Key_W), &TDiagram::NewWindward, "New Windward mark" },
    { "&Leeward mark", QKeySequence(Qt::CTRL | Qt::Key_L), &TDiagram::NewLeeward, "New Leeward mark" },
    { "Leeward &Gate", QKeySequence(Qt::CTRL | Qt::Key_M), &TDiagram::NewGate, "New Gate area" },
    { "&Full area", QKeySequence(Qt::CTRL | Qt::Key_N), &TDiagram::NewFull, "New Full area" },
    { "&Empty", QKeySequence(Qt::CTRL | Qt::Key_E), &TDiagram::NewEmpty, "New Empty area" },
};

constexpr int TabStripHeight = 30;
constexpr int TabHeight = 26;
constexpr int TabFontPixels = 13;

// The tab strip: tabs of a fixed height, whatever the style would make them.
class TabStrip : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override
    {
        QSize size = QTabBar::tabSizeHint(index);
        size.setHeight(TabHeight);
        return size;
    }
};

QString BareName(const QString& path)
{
    return QFileInfo(RemoveExtension(path)).fileName();
}

QString FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

template <class F> void TZovForm::Guarded(F&& command)
{
    // A command may close tabs (the window's close): afterwards Diagram is the diagram then
    // current, never the one current before, which may have been freed.
    struct FollowCurrent {
        TZovForm& window;
        ~FollowCurrent()
        {
            Diagram = window.CurrentDiagram();
            --window.m_commandDepth;
        }
    } follow { *this };
    ++m_commandDepth;
    try {
        Diagram = CurrentDiagram();
        command();
    } catch (const std::exception& e) {
        ReportError(e);
    }
}

TZovForm::TZovForm(QWidget* parent, Made made)
    : QMainWindow(parent)
{
    ZovForm = this;
    Shell = this;
    Trace("FormCreate");
    setObjectName(QStringLiteral("TZovForm"));
    FBaseCaption = ProgramTitle;
    SetWelcomeCaption();
    LastFolder = QDir::currentPath();
    AskOpenFileName = [this] {
        // Qt's own dialog, which can be kept from reading the files it lists; a desktop's cannot.
        QFileDialog dialog(this, QStringLiteral("Open"), LastFolder, QStringLiteral("Zovaran (*.zov *.ZOV)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        ui::ListByNameOnly(dialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (ui::Dialogs().Exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };
    AskSaveFileName = [this] { return RunSaveDialog(); };

    // The welcome page's previews are drawn on another thread while the window is built: the
    // window touches no diagram and draws nothing until they are in (ShowWelcomePictures).
    WelcomePage::Previews previews = WelcomePage::StartTemplatePreviews();

    // The window's own controls take a larger font on a wider screen; the menus keep the desktop's.
    // Both are set before the controls are made, so that none is laid out for another font first.
    const QScreen* screen = this->screen();
    QFont formFont(QStringLiteral("Arial"));
    formFont.setPointSize(screen && screen->geometry().width() > 800 ? 12 : 10);
    setFont(formFont);
    menuBar()->setFont(QApplication::font(menuBar()));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    TabControl = new TabStrip(central);
    TabControl->setExpanding(false);
    TabControl->setDocumentMode(true);
    TabControl->setFixedHeight(TabStripHeight);
    QFont tabFont(QStringLiteral("Arial"));
    tabFont.setPixelSize(TabFontPixels);
    TabControl->setFont(tabFont);
    TabControl->hide();
    layout->addWidget(TabControl);
    m_client = new QWidget(central);
    m_clientLayout = new QVBoxLayout(m_client);
    m_clientLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_client, 1);
    BuildAnimationBar();
    layout->addWidget(PanelX);
    setCentralWidget(central);
    BuildMenus();

    // From here on text is measured.
    AwaitFontConfig();
    if (DebugMode)
        StatusBar();
    Welcome = new WelcomePage(m_client, std::move(previews));
    m_clientLayout->addWidget(Welcome);

    Welcome->OnTemplate = [this](int index) { NewFromTemplate(index); };
    Welcome->OnRecentFile = [this](const QString& file) { OpenDiagram(file); };
    // A recent file that cannot be read any more leaves the list (later: the page is being built).
    Welcome->OnRecentFileDropped = [this](const QString& file) {
        QTimer::singleShot(0, this, [this, file] { DropRecentFile(file); });
    };

    // Tab 0 is the welcome page.
    TabControl->addTab(QStringLiteral("Welcome"));
    QObject::connect(TabControl, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_changingTabs)
            TabControlChange(index);
    });
    RefreshRecentMenu();
    EnableDiagramMenus(false);
    SetFileMessageHandler([this](const std::string& message) { ui::ShowMessage(QString::fromStdString(message), this); });
    resize(1000, 700);
    if (made == Made::Whole) {
        MakeToolWindows();
        ShowWelcomePictures();
    }
}

void TZovForm::ShowWelcomePictures()
{
    if (m_welcomePictures)
        return;
    m_welcomePictures = true;
    Welcome->ShowTemplatePreviews();
    QStringList recent;
    for (const QString& file : RecentFiles)
        if (!file.isEmpty())
            recent.append(file);
    Welcome->SetRecentFiles(recent); // read once, at start-up
}

void TZovForm::MakeToolWindows()
{
    if (Setup)
        return;
    // The tool windows stay above the main window.
    Setup = new TSetup(this);
    ChoixObj = new TChoixObj(this);
    Comments = new TComments(this);
    ImageSelect = new TImageSelect(this);
    RulesPanel = new TRulesPanel(this);
    FileList = new TFileList(this);
    FileList->OnOpen = [this](const QString& folder, const QString& file) {
        LastFolder = folder;
        OpenDiagram(file);
    };
    Setup->OnHide = [this] { SetupHide(); };
    Comments->OnHide = [this] { CommentsHide(); };
    QObject::connect(Setup->Button1, &QPushButton::clicked, this, [this] { InsertAfterClick(); });
    QObject::connect(Setup->Button2, &QPushButton::clicked, this, [this] { InsertBeforeClick(); });
    QObject::connect(Setup->Button3, &QPushButton::clicked, this, [this] { FreeClick(); });
    QObject::connect(Setup->Button4, &QPushButton::clicked, this, [this] {
        Guarded([&] {
            if (TDiagram* d = CurrentDiagram())
                d->Delete1Click();
        });
    });
    ChoixObj->OnTool = [this](int button) {
        Guarded([&] {
            if (TDiagram* d = CurrentDiagram())
                d->ChooseTool(button);
        });
    };
    ChoixObj->OnPicture = [this] {
        Guarded([&] {
            if (TDiagram* d = CurrentDiagram())
                d->ChoosePicture();
        });
    };
    // The Setup buttons as the menus' state leaves them.
    EnableDiagramMenus(CurrentDiagram() != nullptr);
}

TZovForm::~TZovForm()
{
    SetFileMessageHandler(nullptr);
    // The diagrams go before the dialogs that may point at their objects.
    while (DiagramTabCount() > 0)
        ReleaseTab(TabControl->count() - 1);
    if (Shell == this)
        Shell = nullptr;
    if (ZovForm == this)
        ZovForm = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Menus

void TZovForm::BuildMenus()
{
    Files1 = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = Files1->addMenu(QStringLiteral("&New"));
    New1->setToolTip(QStringLiteral("To create a new diagram"));
    for (int i = 0; i < int(std::size(Templates)); ++i) {
        QAction* item = New1->addAction(QString::fromUtf8(Templates[i].menuCaption));
        item->setShortcut(Templates[i].shortcut);
        QObject::connect(item, &QAction::triggered, this, [this, i] { NewFromTemplate(i); });
    }
    Open1 = Files1->addAction(QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O), this, [this] { Open1Click(); });
    Search1 = Files1->addAction(QStringLiteral("Search"), QKeySequence(Qt::Key_F3), this, [this] { Search1Click(); });
    Files1->addSeparator();
    Save1 = Files1->addAction(QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), this, [this] { SaveClick(); });
    Saveas1 = Files1->addAction(QStringLiteral("Save as..."), this, [this] { SaveAsClick(); });
    Export1 = Files1->addAction(QStringLiteral("Export to ZOV Repository"), this, [this] { ExportClick(); });
    Close1 = Files1->addAction(QStringLiteral("&Close"), this, [this] { CloseClick(); });
    Files1->addSeparator();
    Print1 = Files1->addAction(QStringLiteral("Print..."), QKeySequence(Qt::CTRL | Qt::Key_P), this, [this] { Print1Click(); });
    Files1->addSeparator();
    m_recentSeparator = Files1->addSeparator();
    Exit1 = Files1->addAction(QStringLiteral("&Exit"), this, [this] { Exit1Click(); });

    Edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
    QObject::connect(Edit1, &QMenu::aboutToShow, this, [this] { Edit1Click(); });
    QObject::connect(Edit1, &QMenu::aboutToHide, this, [this] { EditMenuClosed(); });
    Undo1 = Edit1->addAction(QStringLiteral("Undo last change"), QKeySequence(Qt::CTRL | Qt::Key_Z), this, [this] { Undo1Click(); });
    Insert1 = Edit1->addAction(QStringLiteral("Insert object"), QKeySequence(Qt::Key_F4), this, [this] { Insert1Click(); });
    Copy1 = Edit1->addAction(QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), this, [this] { CopyClick(); });
    Paste1 = Edit1->addAction(QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), this, [this] { Paste1Click(); });
    Characteristics1 = Edit1->addAction(QStringLiteral("&Characteristics"), QKeySequence(Qt::Key_F5), this,
        [this] { Characteristics1Click(); });
    Rules1 = Edit1->addAction(QStringLiteral("Rules that apply"), QKeySequence(Qt::Key_F2), this, [this] { Rules1Click(); });
    Edit1->addSeparator();
    Comments1 = Edit1->addAction(QStringLiteral("Comments"), QKeySequence(Qt::Key_F6), this, [this] { DocumentTextClick(gComments); });
    Summary1 = Edit1->addAction(QStringLiteral("&Summary"), QKeySequence(Qt::Key_F7), this, [this] { DocumentTextClick(gSummary); });
    Facts1 = Edit1->addAction(QStringLiteral("&Facts found"), QKeySequence(Qt::Key_F8), this, [this] { DocumentTextClick(gFactsFound); });
    Decision1 = Edit1->addAction(QStringLiteral("&Decision"), QKeySequence(Qt::Key_F9), this, [this] { DocumentTextClick(gDecision); });
    for (QAction* item : { Comments1, Summary1, Facts1, Decision1 })
        item->setCheckable(true);

    Zoom1 = menuBar()->addMenu(QStringLiteral("&View"));
    // No command of its own: it stays greyed, except in debug mode.
    ToolBar2 = Zoom1->addAction(QStringLiteral("Toolbar"));
    Zoom1->addSeparator();
    Zoomall1 = Zoom1->addAction(QStringLiteral("Zoom all"), QKeySequence(Qt::Key_F10), this, [this] { ZoomAllClick(); });
    ZoomIn = Zoom1->addAction(QStringLiteral("Zoom in"), QKeySequence(Qt::Key_F11), this, [this] { ZoomInClick(); });
    ZoomOut = Zoom1->addAction(QStringLiteral("Zoom out"), QKeySequence(Qt::Key_F12), this, [this] { ZoomOutClick(); });

    Options1 = menuBar()->addMenu(QStringLiteral("&Options"));
    Grid1 = Options1->addAction(QStringLiteral("&Grid"), QKeySequence(Qt::CTRL | Qt::Key_G));
    Laylines1 = Options1->addAction(QStringLiteral("&Laylines"), QKeySequence(Qt::CTRL | Qt::Key_I));
    BoatsTracks1 = Options1->addAction(QStringLiteral("&Boats Tracks"), QKeySequence(Qt::CTRL | Qt::Key_T));
    SituationNumber1 = Options1->addAction(QStringLiteral("Situations &numbers"), QKeySequence(Qt::CTRL | Qt::Key_K));
    for (QAction* item : { Grid1, Laylines1, BoatsTracks1, SituationNumber1 }) {
        item->setCheckable(true);
        item->setChecked(true);
        QObject::connect(item, &QAction::triggered, this, [this, item] { OptionClick(item); });
    }
    Options1->addSeparator();
    auto* modes = new QActionGroup(this);
    Normal1 = Options1->addAction(QStringLiteral("&Normal"), this, [this] { Normal1Click(); });
    Animate1 = Options1->addAction(QStringLiteral("&Animate"), QKeySequence(Qt::CTRL | Qt::Key_A), this, [this] { Animate1Click(); });
    for (QAction* item : { Normal1, Animate1 }) {
        item->setCheckable(true);
        modes->addAction(item);
    }
    Normal1->setChecked(true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
    help->addAction(QStringLiteral("&Help"), QKeySequence(Qt::Key_F1), this, [this] { HtmlHelpShowContents(this); });
    help->addAction(QStringLiteral("His&tory"), this, [this] { HtmlHelpShowContext(this, 301); });
    help->addAction(QStringLiteral("ZOV on the &Web"), this, [] { QDesktopServices::openUrl(QUrl(WebHost())); });
    help->addAction(QStringLiteral("&Check for Updates..."), this, [this] { Guarded([this] { UpdateClick(this); }); });
    help->addSeparator();
    help->addAction(QStringLiteral("&About"), this, [this] {
        TAbout about(this);
        ui::Dialogs().Exec(about);
    });
}

void TZovForm::RefreshRecentMenu()
{
    for (QAction* item : m_recentItems) {
        Files1->removeAction(item);
        item->deleteLater(); // this may run from the item's own click
    }
    m_recentItems.clear();
    for (const QString& file : RecentFiles)
        if (!file.isEmpty()) {
            auto* item = new QAction(ShortenPath(file), Files1);
            QObject::connect(item, &QAction::triggered, this, [this, file] { OpenDiagram(file); });
            Files1->insertAction(m_recentSeparator, item);
            m_recentItems.append(item);
        }
}

// Keeps RecentFiles the newest first: Fresh (when given) on top, Gone left out.
static void ReorderRecentFiles(const QString& fresh, const QString& gone)
{
    QStringList files;
    if (!fresh.isEmpty())
        files.append(fresh);
    for (const QString& file : RecentFiles)
        if (!file.isEmpty() && file != fresh && file != gone)
            files.append(file);
    for (int i = 0; i < RecentFileCount; ++i)
        RecentFiles[std::size_t(i)] = i < files.size() ? files[i] : QString();
}

void TZovForm::DropRecentFile(const QString& fileName)
{
    ReorderRecentFiles(QString(), fileName);
    RefreshRecentMenu();
    Welcome->RemoveRecentFile(fileName);
}

void TZovForm::OpenHandedOver(const QString& path)
{
    // A file handed over while a box, a dialog, a command, a transfer or an export is under way
    // waits for it to end: opening it in the middle would change the current diagram under
    // their feet.
    if (QApplication::activeModalWidget() || m_commandDepth > 0 || TDiagram::ExportRunning() || net::TransferRunning()) {
        QTimer::singleShot(200, this, [this, path] { OpenHandedOver(path); });
        return;
    }
    LastFolder = QFileInfo(path).absolutePath();
    Guarded([&] { OpenDiagram(RemoveExtension(path)); });
}

void TZovForm::AddToRecentFiles(const QString& fileName)
{
    // The newest first; a file already listed moves to the top. Only this file is read for
    // its thumbnail: the others move along.
    const QString name = fileName.trimmed();
    ReorderRecentFiles(name, QString());
    RefreshRecentMenu();
    // Drawn from the diagram just opened or saved: its file is not read a second time.
    Welcome->AddRecentFile(name, CurrentDiagram());
}

void TZovForm::EnableDiagramMenus(bool on)
{
    for (QAction* item : { Save1, Export1, Saveas1, Close1, Print1, Facts1, Decision1 })
        item->setEnabled(on);
    for (QMenu* menu : { Edit1, Options1, Zoom1 })
        menu->menuAction()->setEnabled(on);
    for (QAction* item : Edit1->actions())
        item->setEnabled(on);
    for (QAction* item : Options1->actions())
        item->setEnabled(on);
    for (QAction* item : Zoom1->actions())
        item->setEnabled(on);
    ToolBar2->setEnabled(DebugMode);
    if (Setup) {
        Setup->Button1->setEnabled(true);
        Setup->Button2->setEnabled(true);
        Setup->Button3->setEnabled(false);
    }
}

void TZovForm::SetWelcomeCaption()
{
    setWindowTitle(FBaseCaption + QStringLiteral(" - ") + VersionLabel);
}

void TZovForm::SetCaptionOfFile(const QString& fileName)
{
    setWindowTitle(FBaseCaption + QStringLiteral(": ") + BareName(fileName));
}

void TZovForm::SetCaptionOfDiagram(const TDiagram& d)
{
    const auto part = m_partOf.find(&d);
    if (part != m_partOf.end())
        setWindowTitle(FBaseCaption + QStringLiteral(": ") + part->second);
    else
        SetCaptionOfFile(QString::fromStdString(d.FFileName));
}

// ---------------------------------------------------------------------------------------------
// Tabs

TDiagram* TZovForm::CurrentDiagram() const
{
    return m_current ? &m_current->diagram() : nullptr;
}

int TZovForm::DiagramTabCount() const
{
    return TabControl ? std::max(0, TabControl->count() - 1) : 0;
}

DiagramView* TZovForm::ViewOfTab(int index) const
{
    if (index <= 0 || index >= TabControl->count())
        return nullptr;
    return static_cast<DiagramView*>(TabControl->tabData(index).value<QObject*>());
}

int TZovForm::TabOfView(const DiagramView* view) const
{
    for (int i = 1; i < TabControl->count(); ++i)
        if (ViewOfTab(i) == view)
            return i;
    rt::assertFail("Diagram for this tab not found", "Rules1", __LINE__);
}

void TZovForm::ShowWelcome()
{
    m_current = nullptr;
    Welcome->show();
    EnableDiagramMenus(false);
    SetWelcomeCaption();
    PanelX->hide();
}

void TZovForm::NewDiagramTab(const QString& caption)
{
    // A diagram is drawn on this thread once the previews' drawing has ended; its tab is bound
    // to the tool windows.
    ShowWelcomePictures();
    MakeToolWindows();
    if (TDiagram* d = CurrentDiagram())
        d->HideDiagram();
    Welcome->hide();
    auto* view = new DiagramView(m_client);
    m_clientLayout->addWidget(view);
    TDiagram& d = view->diagram();
    d.OnStatus = [this](const std::string& text) { StatusChange(text); };
    d.OnTrack = [this](std::int32_t position) { TrackChange(position); };
    d.OnMode = [this] { ModeEvent(); };
    d.OnPause = [this](bool paused) { PauseEvent(paused); };
    m_current = view;
    Diagram = &d;
    m_changingTabs = true;
    const int index = TabControl->addTab(ShortenPath(caption));
    TabControl->setTabData(index, QVariant::fromValue<QObject*>(view));
    TabControl->setCurrentIndex(index);
    m_changingTabs = false;
    TabControl->setVisible(TabControl->count() > 1);
    view->show();
    Normal1Click();
}

DiagramView* TZovForm::SelectTabOfFile(const QString& fileName)
{
    // The full file names decide, not the shortened captions: two files can shorten alike.
    for (int i = 1; i < TabControl->count(); ++i) {
        DiagramView* view = ViewOfTab(i);
        auto own = m_ownFile.find(&view->diagram());
        const QString name = own != m_ownFile.end() ? own->second : QString::fromStdString(view->diagram().FFileName);
        if (!name.isEmpty() && name == fileName) {
            m_changingTabs = true;
            TabControl->setCurrentIndex(i);
            m_changingTabs = false;
            return view;
        }
    }
    return nullptr;
}

void TZovForm::OpenDiagram(const QString& fileName)
{
    Trace("Open: " + fileName.toStdString());
    if (TDiagram::ExportRunning())
        return; // the export lets events run between its frames: the diagram must stay
    if (TDiagram* d = CurrentDiagram())
        d->HideDiagram();
    DiagramView* found = SelectTabOfFile(fileName);
    if (found) {
        Welcome->hide();
        m_current = found;
        Diagram = &found->diagram();
    } else {
        NewDiagramTab(fileName);
        TDiagram& d = *CurrentDiagram();
        bool loaded = false;
        Guarded([&] { loaded = d.LoadFromFile(fileName.toStdString(), true); });
        if (!loaded) {
            d.FModified = 0; // nothing of the user's is in it
            CloseClick();
            return;
        }
        if (LastFileReport().outcome == FileReport::Outcome::Done) {
            m_ownFile[&d] = fileName;
            AddToRecentFiles(fileName);
        } else {
            // Shown without a file name, as the message said: the tab does not name the file as
            // this diagram's.
            const QString file = QFileInfo(QString::fromStdString(LastFileReport().path)).fileName();
            m_partOf[&d] = QStringLiteral("Part of ") + file;
            TabControl->setTabText(TabOfView(m_current), m_partOf[&d]);
        }
    }
    ActivateDiagram();
    TDiagram& d = *CurrentDiagram();
    d.FSelected = d.FindOrAddText(gComments, false);
    if (auto* comments = dynamic_cast<TGenText*>(d.FSelected)) {
        Comments->Refresh(comments);
        Comments->show();
        // The comments are shown to be read: a stray key right after opening must not edit them.
        Comments->Button3->setFocus();
    }
}

void TZovForm::ActivateDiagram()
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    Welcome->hide();
    SetCaptionOfDiagram(*d);
    SyncOptionChecks();
    SyncTextChecks();
    d->OnMode = [this] { ModeEvent(); };
    d->OnPause = [this](bool paused) { PauseEvent(paused); };
    d->OnTrack = [this](std::int32_t position) { TrackChange(position); };
    m_current->show();
    m_current->setFocus();
    m_current->SetCursor(ViewCursor::Default);
    EnableDiagramMenus(true);
    Normal1Click();
}

void TZovForm::SyncOptionChecks()
{
    const TDiagram* d = CurrentDiagram();
    Grid1->setChecked(d->FShowGrid != 0);
    Laylines1->setChecked(d->FShowLaylines != 0);
    BoatsTracks1->setChecked(d->FShowTracks != 0);
    SituationNumber1->setChecked(d->FHideNumbers == 0);
}

void TZovForm::SyncTextChecks()
{
    TDiagram* d = CurrentDiagram();
    Comments1->setChecked(d->FindOrAddText(gComments, false) != nullptr);
    Summary1->setChecked(d->FindOrAddText(gSummary, false) != nullptr);
    Facts1->setChecked(d->FindOrAddText(gFactsFound, false) != nullptr);
    Decision1->setChecked(d->FindOrAddText(gDecision, false) != nullptr);
}

void TZovForm::TabControlChange(int index)
{
    if (TDiagram* d = CurrentDiagram())
        d->HideDiagram();
    PanelX->hide();
    if (index > 0) {
        m_current = ViewOfTab(index);
        Diagram = CurrentDiagram();
        ActivateDiagram();
    } else {
        Diagram = nullptr;
        ShowWelcome();
    }
}

void TZovForm::ReleaseTab(int index)
{
    DiagramView* view = ViewOfTab(index);
    if (Setup->FObjet || Comments->FText) {
        // The dialogs must not keep objects of a diagram that is going.
        Setup->FObjet = nullptr;
        Comments->FText = nullptr;
        Setup->hide();
        Comments->hide();
    }
    m_changingTabs = true;
    TabControl->removeTab(index);
    m_changingTabs = false;
    TabControl->setVisible(TabControl->count() > 1);
    if (view) {
        if (RulesPanel->RefreshedDiagram() == &view->diagram())
            RulesPanel->SetDiagram(nullptr); // back to following the current diagram
        if (Characteristics)
            Characteristics->Forget(&view->diagram());
        m_ownFile.erase(&view->diagram());
        m_partOf.erase(&view->diagram());
        if (Diagram == &view->diagram())
            Diagram = nullptr;
        if (m_current == view)
            m_current = nullptr;
        delete view;
    }
}

// ---------------------------------------------------------------------------------------------
// Files

void TZovForm::GetParams(const QStringList& parameters)
{
    Trace("GetParams");
    if (!parameters.isEmpty() && !IsSwitch(parameters.first()))
        OpenDiagram(RemoveExtension(QFileInfo(parameters.first()).absoluteFilePath()));
}

void TZovForm::Open1Click()
{
    const QString name = AskOpenFileName ? AskOpenFileName() : QString();
    if (name.isEmpty())
        return;
    LastFolder = FolderOf(name);
    OpenDiagram(RemoveExtension(name));
}

void TZovForm::NewFromTemplate(int index)
{
    if (index < 0 || index >= int(std::size(Templates)))
        return;
    NewDiagramTab(QString::fromUtf8(Templates[index].tabCaption));
    const auto make = Templates[index].make;
    Guarded([&] { (CurrentDiagram()->*make)(); });
    AfterNewDiagram();
}

void TZovForm::AfterNewDiagram()
{
    EnableDiagramMenus(true);
    Export1->setEnabled(false);
    Save1->setEnabled(false);
    SyncOptionChecks();
    SetCaptionOfDiagram(*CurrentDiagram());
    for (QAction* item : { Comments1, Summary1, Facts1, Decision1 })
        item->setChecked(false);
    Insert1Click();
}

bool TZovForm::SaveClick()
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return false;
    if (d->FFileName.empty()) {
        SaveAsClick();
        return CurrentDiagram() == d && d->FModified == 0;
    }
    return WriteDiagram(*d, true);
}

void TZovForm::ExportClick()
{
    Guarded([this] {
        if (CurrentDiagram() && AskSaveChanges() && CurrentDiagram())
            UploadToRepository(*CurrentDiagram(), this);
    });
}

void TZovForm::CloseClick()
{
    if (!CurrentDiagram() || TDiagram::ExportRunning() || !AskSaveChanges())
        return;
    CurrentDiagram()->HideDiagram();
    const int index = TabOfView(m_current);
    ReleaseTab(index);
    m_changingTabs = true;
    TabControl->setCurrentIndex(index - 1);
    m_changingTabs = false;
    if (index - 1 == 0) {
        Diagram = nullptr;
        ShowWelcome();
    } else {
        m_current = ViewOfTab(index - 1);
        Diagram = CurrentDiagram();
        ActivateDiagram();
    }
}

void TZovForm::Exit1Click()
{
    // An open text dialog keeps what was typed, as its OK would.
    if (Comments && Comments->isVisible())
        Comments->Button2->click();
    close();
}

bool TZovForm::AskSaveChanges()
{
    TDiagram* d = CurrentDiagram();
    if (!d || d->FModified == 0)
        return true;
    const auto answer = ui::MessageBox(QStringLiteral("Do you want to save changes ?"), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, this);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::No)
        return true;
    SaveClick();
    return CurrentDiagram() && CurrentDiagram()->FModified == 0;
}

bool TZovForm::FormCloseQuery()
{
    if (TDiagram::ExportRunning())
        return false;
    while (DiagramTabCount() > 0) {
        if (TabControl->currentIndex() == 0) {
            m_changingTabs = true;
            TabControl->setCurrentIndex(TabControl->count() - 1);
            m_changingTabs = false;
            m_current = ViewOfTab(TabControl->currentIndex());
            Diagram = CurrentDiagram();
            ActivateDiagram();
        }
        if (!AskSaveChanges())
            return false;
        const int index = TabControl->currentIndex();
        CurrentDiagram()->HideDiagram();
        ReleaseTab(index);
        m_changingTabs = true;
        TabControl->setCurrentIndex(index - 1);
        m_changingTabs = false;
        m_current = ViewOfTab(index - 1);
        Diagram = CurrentDiagram();
        if (m_current)
            ActivateDiagram();
    }
    return true;
}

void TZovForm::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    Guarded([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    if (Setup) {
        HideToolWindows();
        Setup->hide();
        Comments->hide();
    }
    StopUpdateCheck();
    event->accept();
}

void TZovForm::changeEvent(QEvent* event)
{
    // A window that was maximised before minimising comes back maximised.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        FRestoreState = static_cast<QWindowStateChangeEvent*>(event)->oldState() & ~Qt::WindowMinimized;
    QMainWindow::changeEvent(event);
}

void TZovForm::ZoomAllClick()
{
    Guarded([&] {
        if (TDiagram* d = CurrentDiagram())
            d->SetZoom(0);
    });
}

void TZovForm::ZoomInClick()
{
    Guarded([&] {
        if (TDiagram* d = CurrentDiagram())
            d->SetZoom(1.1f);
    });
}

void TZovForm::ZoomOutClick()
{
    Guarded([&] {
        if (TDiagram* d = CurrentDiagram())
            d->SetZoom(0.9f);
    });
}

} // namespace zov
