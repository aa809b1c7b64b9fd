#pragma once
// The main window: one tab per open diagram after the "Welcome" tab, the menus, the animation
// bar, and the dialogs of the current diagram. It stays thin: the commands call the diagram
// and the dialogs, which hold the drawing and file logic.

#include "diagram/ShellLink.h"

#include <QBasicTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QButtonGroup;
class QPrinter;
class QLabel;
class QMenu;
class QSlider;
class QStatusBar;
class QTabBar;
class QToolButton;
class QVBoxLayout;

namespace zov {

class DiagramView;
class PrintCanvas;
class TAbout;
class TCharacteristics;
class TChoixObj;
class TFileList;
class TComments;
class TDiagram;
class TImageSelect;
class TRulesPanel;
class TSetup;
class WelcomePage;
struct TemplateInfo;

// The folder the open and save dialogs start in.
extern QString LastFolder;

class TZovForm : public QMainWindow, public ShellLink {
public:
    // Whole: the window is complete once made. InSteps, at the program's start: the welcome page's
    // pictures come with ShowWelcomePictures (the previews are drawn on another thread meanwhile)
    // and the tool windows (Setup, ChoixObj, Comments, ImageSelect, RulesPanel, FileList) with
    // MakeToolWindows; both come at the latest with the first diagram tab.
    enum class Made { Whole, InSteps };
    explicit TZovForm(QWidget* parent = nullptr, Made made = Made::Whole);
    ~TZovForm() override;
    // Puts the template previews and the recent files' thumbnails on the welcome page, once.
    void ShowWelcomePictures();
    // Makes the tool windows unless they are made already.
    void MakeToolWindows();

    // The current diagram (the selected tab's), or none on the "Welcome" tab.
    TDiagram* CurrentDiagram() const;
    DiagramView* CurrentView() const { return m_current; }
    int DiagramTabCount() const;

    // Opens FileName (a full path without extension) in a new tab, or selects its tab.
    void OpenDiagram(const QString& fileName);
    // A new tab with a new, empty diagram, which becomes current.
    void NewDiagramTab(const QString& caption);
    // The tab of FileName, selected; null when none holds it.
    DiagramView* SelectTabOfFile(const QString& fileName);
    void ActivateDiagram();
    void EnableDiagramMenus(bool on);
    void AfterNewDiagram();
    // False when the user cancelled.
    bool AskSaveChanges();
    // The first command-line parameter, unless it is a switch, is opened.
    void GetParams(const QStringList& parameters);
    void AddToRecentFiles(const QString& fileName);
    void DropRecentFile(const QString& fileName);
    // Opens a file handed over by a second start, once nothing else is under way.
    void OpenHandedOver(const QString& path);

    // File menu.
    void Open1Click();
    // True when the diagram file was written.
    bool SaveClick();
    void SaveAsClick();
    // Save As with the name already chosen (the dialog's answer).
    void SaveAs(const QString& chosen);
    void CloseClick();
    // Sends the current diagram's file to the web repository, after the save prompt.
    void ExportClick();
    void Exit1Click();
    void NewFromTemplate(int index);
    // View menu.
    void ZoomAllClick();
    void ZoomInClick();
    void ZoomOutClick();
    // Edit menu.
    // Sets the Edit menu's items as the open menu shows them.
    void Edit1Click();
    // The Edit menu closed: its shortcuts reach their commands again whatever it showed.
    void EditMenuClosed();
    void Insert1Click();
    void Undo1Click();
    void CopyClick();
    void Paste1Click();
    void Rules1Click();
    void Print1Click();
    void Characteristics1Click();
    void Search1Click();
    void DocumentTextClick(std::uint8_t kind);
    // Options menu.
    void OptionClick(QAction* item);
    void Normal1Click();
    void Animate1Click();
    void PauseClick();
    void NextClick();
    void PrevClick();
    void SpeedEvent();
    // Setup dialog buttons and the hide handlers.
    void InsertAfterClick();
    void InsertBeforeClick();
    void FreeClick();
    void SetupHide();
    void CommentsHide();
    // Events of the current diagram.
    void ModeEvent();
    void PauseEvent(bool paused);
    void TrackChange(std::int32_t position);
    void StatusChange(const std::string& text);
    // The status bar: one panel, shown in debug mode only.
    QStatusBar* StatusBar();
    void TabControlChange(int index);

    // ShellLink: what the diagrams ask of the dialogs.
    void SetupShow(TObjet* obj) override;
    void SetupRefresh() override;
    void HideSetup() override;
    void SetupFreeButtonEnabled(bool enabled, bool focus) override;
    bool SetupVisible() const override;
    void SetupKeepClearOf(int sx) override;
    void CommentsShow(TGenText* text) override;
    void HideComments() override;
    void PaletteFreeButtonEnabled(bool enabled) override;
    bool ChoosePictureModal() override;
    const gfx::Bitmap* ChosenPicture() const override;
    bool ChosenPictureIsBackground() const override;
    void RulesPanelRefresh() override;
    void HideToolWindows() override;
    void ShowMessage(const std::string& text) override;

    // The windows of the program, for the start-up and for tests.
    QTabBar* TabControl = nullptr;
    WelcomePage* Welcome = nullptr;
    QWidget* PanelX = nullptr;
    QSlider* TrackBar = nullptr;
    QSlider* TrackBar2 = nullptr;
    TSetup* Setup = nullptr;
    TComments* Comments = nullptr;
    TChoixObj* ChoixObj = nullptr;
    TImageSelect* ImageSelect = nullptr;
    TRulesPanel* RulesPanel = nullptr;
    TFileList* FileList = nullptr;
    TCharacteristics* Characteristics = nullptr; // made on first use

    // Menu items, named as the commands refer to them.
    QAction *Open1, *Search1, *Save1, *Saveas1, *Export1, *Close1, *Print1, *Exit1;
    QAction *Undo1, *Insert1, *Copy1, *Paste1, *Characteristics1, *Rules1;
    QAction *Comments1, *Summary1, *Facts1, *Decision1;
    QAction *ToolBar2, *Zoomall1, *ZoomIn, *ZoomOut;
    QAction *Grid1, *Laylines1, *BoatsTracks1, *SituationNumber1, *Normal1, *Animate1;
    QMenu *Files1, *Edit1, *Zoom1, *Options1, *New1;
    QToolButton *StartButton, *PauseButton, *NextButton, *PrevButton, *StopButton;

    // The open dialog's file; empty when cancelled. Tests replace it.
    std::function<QString()> AskOpenFileName;
    // The save dialog's answer: the name to save under, with the chosen type's extension added
    // when none was typed; empty when cancelled. It runs RunSaveDialog unless a test replaces it.
    std::function<QString()> AskSaveFileName;
    // The canvas a print draws through, given the chosen printer and the canvas on it; tests put
    // a recording one in between. Unset, the print goes straight to the printer's canvas.
    std::function<PrintCanvas&(QPrinter&, PrintCanvas&)> PrintThrough;
    QString RunSaveDialog();
    // The save dialog's file types, in its order: the diagram, then the exports.
    static QStringList SaveFilters();
    // Typed with the extension of file type TypeIndex added when it has none.
    static QString WithTypeExtension(const QString& typed, int typeIndex);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Runs Command; an error it raises is shown like one that reached the event loop.
    template <class F> void Guarded(F&& command);
    void BuildMenus();
    void BuildAnimationBar();
    void ShowWelcome();
    void SetCaptionOfFile(const QString& fileName);
    void SetWelcomeCaption();
    void SetCaptionOfDiagram(const TDiagram& d);
    void RefreshRecentMenu();
    void SyncOptionChecks();
    void SyncTextChecks();
    void UpdateAnimationRange();
    int TabOfView(const DiagramView* view) const;
    DiagramView* ViewOfTab(int index) const;
    // Removes tab Index and frees its diagram.
    void ReleaseTab(int index);
    bool FormCloseQuery();
    // "... already exists. Do you want to replace it?": true for Yes.
    bool AskReplace(const QString& path);
    // Writes D to its file name; AskBeforeReplacing asks first when that file exists and is not
    // the one D was read from or last written to. True when written.
    bool WriteDiagram(TDiagram& d, bool askBeforeReplacing);
    // Whether Paste has a text to act on: a selected text object and text on the clipboard.
    bool CanPaste(const TDiagram& d) const;
    void BindSliderToDiagram(bool bind);
    // Insert after or before (the edit state) for the selected object.
    void EnterInsertMode(std::uint8_t state);

    QWidget* m_client = nullptr;
    QVBoxLayout* m_clientLayout = nullptr;
    DiagramView* m_current = nullptr;
    QButtonGroup* m_animationButtons = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QList<QAction*> m_recentItems;
    QAction* m_recentSeparator = nullptr;
    bool m_sliderBound = false;
    bool m_welcomePictures = false;
    bool m_changingTabs = false;
    int m_commandDepth = 0; // commands under way (a box may let events run inside one)
    // The file each diagram was read from or last written to: a Save elsewhere asks first.
    std::map<const TDiagram*, QString> m_ownFile;
    // What the tab and the caption call a diagram read only in part ("Part of race.zov"): it has
    // no file name of its own until it is saved under one.
    std::map<const TDiagram*, QString> m_partOf;
    QString FBaseCaption;
    Qt::WindowStates FRestoreState = Qt::WindowMaximized;
};

// The program's main window, while it exists.
extern TZovForm* ZovForm;

} // namespace zov
