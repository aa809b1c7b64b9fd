#include "diagram/Diagram.h"
#include "diagram_view/DiagramView.h"
#include "model/Settings.h"
#include "plat/rt/Cp1252.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "plat_ui/PrinterCanvas.h"
#include "shell/Characteristics.h"
#include "shell/CommentsDialog.h"
#include "shell/FileList.h"
#include "shell/ImageSelect.h"
#include "shell/MainWindow.h"
#include "shell/ObjectPalette.h"
#include "shell/RulesPanel.h"
#include "shell/SetupDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

// The commands of the Edit and Options menus, the animation bar, and what the diagrams ask of
// the dialogs.

namespace zov {

namespace {

template <class F> void Run(F&& command)
{
    try {
        command();
    } catch (const std::exception& e) {
        ReportError(e);
    }
}

// Hands every key pressed on a widget to a handler first; the widget still handles it itself.
class KeyDownWatch : public QObject {
public:
    KeyDownWatch(QWidget* widget, std::function<void(int key)> onKeyDown)
        : QObject(widget)
        , m_onKeyDown(std::move(onKeyDown))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            m_onKeyDown(static_cast<QKeyEvent*>(event)->key());
        return false;
    }

private:
    std::function<void(int key)> m_onKeyDown;
};

// The animation bar. Its buttons show the style's own media pictures, which are read when the bar
// first shows: reading them loads Qt's image readers, which the first screen does without.
class AnimationBar : public QWidget {
public:
    using QWidget::QWidget;

    void AddPicture(QToolButton* button, QStyle::StandardPixmap picture) { m_pictures.emplace_back(button, picture); }

protected:
    void showEvent(QShowEvent* event) override
    {
        for (const auto& [button, picture] : m_pictures)
            button->setIcon(style()->standardIcon(picture, nullptr, button));
        m_pictures.clear();
        QWidget::showEvent(event);
    }

private:
    std::vector<std::pair<QToolButton*, QStyle::StandardPixmap>> m_pictures;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Animation bar

void TZovForm::BuildAnimationBar()
{
    auto* bar = new AnimationBar(this);
    PanelX = bar;
    PanelX->setFixedHeight(34);
    auto* layout = new QHBoxLayout(PanelX);
    layout->setContentsMargins(4, 2, 4, 2);
    m_animationButtons = new QButtonGroup(PanelX);
    m_animationButtons->setExclusive(true);
    // Icons that every machine can draw: the style's own media pictures, not font characters.
    auto button = [&](QToolButton*& b, QStyle::StandardPixmap icon, const char* hint, std::function<void()> click) {
        b = new QToolButton(PanelX);
        bar->AddPicture(b, icon);
        b->setIconSize(QSize(16, 16));
        b->setToolTip(QString::fromUtf8(hint));
        b->setAccessibleName(QString::fromUtf8(hint));
        b->setCheckable(true);
        m_animationButtons->addButton(b);
        layout->addWidget(b);
        QObject::connect(b, &QToolButton::clicked, PanelX, std::move(click));
    };
    button(StartButton, QStyle::SP_MediaPlay, "Start", [this] { Animate1Click(); });
    button(PauseButton, QStyle::SP_MediaPause, "Pause", [this] { PauseClick(); });
    button(NextButton, QStyle::SP_MediaSkipForward, "Next step", [this] { NextClick(); });
    button(PrevButton, QStyle::SP_MediaSkipBackward, "Previous step", [this] { PrevClick(); });
    button(StopButton, QStyle::SP_MediaStop, "Stop", [this] { Normal1Click(); });
    TrackBar2 = new QSlider(Qt::Horizontal, PanelX);
    TrackBar2->setToolTip(QStringLiteral("To change the animation speed"));
    TrackBar2->setRange(20, 60);
    TrackBar2->setValue(60);
    TrackBar2->setPageStep(5);
    TrackBar2->setTickInterval(5);
    TrackBar2->setTickPosition(QSlider::TicksBelow);
    TrackBar2->setFixedWidth(120);
    layout->addWidget(TrackBar2);
    QObject::connect(TrackBar2, &QSlider::valueChanged, PanelX, [this] { SpeedEvent(); });
    TrackBar = new QSlider(Qt::Horizontal, PanelX);
    TrackBar->setToolTip(QStringLiteral("To track and change then animation position"));
    TrackBar->setEnabled(false);
    TrackBar->setRange(0, 200);
    TrackBar->setPageStep(FramesPerStep);
    TrackBar->setTickInterval(FramesPerStep);
    layout->addWidget(TrackBar, 1);
    QObject::connect(TrackBar, &QSlider::valueChanged, PanelX, [this](int position) {
        // While paused, the slider's moves drive the diagram.
        if (m_sliderBound)
            if (TDiagram* d = CurrentDiagram()) {
                CurrentDiagramScope current(d);
                Run([&] { d->TrackEvent(position); });
            }
    });
    new KeyDownWatch(TrackBar, [this](int key) {
        // So do its keys: Page Down plays on to the next step, Page Up goes back one.
        if (m_sliderBound)
            if (TDiagram* d = CurrentDiagram()) {
                CurrentDiagramScope current(d);
                Run([&] { d->TrackbarKeyDown(key); });
            }
    });
    PanelX->hide();
}

void TZovForm::UpdateAnimationRange()
{
    const TDiagram* d = CurrentDiagram();
    // A diagram without boats has no steps: the range stays empty, never negative.
    const int maximum = d ? std::max(0, (d->FStepCount - 1) * FramesPerStep) : 0;
    TrackBar->setMaximum(maximum);
}

void TZovForm::BindSliderToDiagram(bool bind)
{
    m_sliderBound = bind;
}

void TZovForm::Normal1Click()
{
    Normal1->setChecked(true);
    StartButton->setChecked(true);
    TrackBar->setEnabled(false);
    BindSliderToDiagram(false);
    UpdateAnimationRange();
    TrackBar->setValue(0);
    PanelX->hide();
    if (TDiagram* d = CurrentDiagram()) {
        CurrentDiagramScope current(d);
        Run([&] { d->SetMode(dmEdit); });
    }
}

void TZovForm::Animate1Click()
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    Animate1->setChecked(true);
    CurrentDiagramScope current(d);
    Run([&] {
        if (d->FDisplayMode == dmAnimation && d->FPaused) {
            if (d->FStep >= d->FStepCount) {
                d->FStep = 1;
                d->FFrameIndex = 0;
                d->BuildAnimationList(1);
                d->Redraw();
            }
            d->FPlayUntil = d->FStepCount;
            d->Pause();
        } else {
            PanelX->show();
            d->SetMode(dmAnimation);
            FramesPerStep = 80 - TrackBar2->value();
            UpdateAnimationRange();
            TrackBar->setValue(0);
        }
    });
}

void TZovForm::PauseClick()
{
    if (TDiagram* d = CurrentDiagram()) {
        CurrentDiagramScope current(d);
        Run([&] { d->Pause(); });
    }
}

void TZovForm::NextClick()
{
    if (TDiagram* d = CurrentDiagram()) {
        CurrentDiagramScope current(d);
        Run([&] { d->NextStep(); });
        PauseButton->setChecked(true);
    }
}

void TZovForm::PrevClick()
{
    if (TDiagram* d = CurrentDiagram()) {
        CurrentDiagramScope current(d);
        Run([&] { d->PrevStep(); });
        PauseButton->setChecked(true);
    }
}

void TZovForm::SpeedEvent()
{
    const int old = FramesPerStep;
    FramesPerStep = 80 - TrackBar2->value();
    UpdateAnimationRange();
    TrackBar->setPageStep(FramesPerStep);
    TrackBar->setTickInterval(FramesPerStep);
    TrackBar->setValue(int(rt::Round(double(TrackBar->value()) * FramesPerStep / old)));
}

void TZovForm::ModeEvent()
{
    const TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    if (d->FDisplayMode == dmEdit)
        Normal1->setChecked(true);
    else {
        Animate1->setChecked(true);
        StartButton->setChecked(true);
    }
    PanelX->setVisible(d->FDisplayMode == dmAnimation);
}

void TZovForm::PauseEvent(bool paused)
{
    if (paused) {
        PauseButton->setChecked(true);
        BindSliderToDiagram(true);
    } else {
        StartButton->setChecked(true);
        TrackBar->setEnabled(false);
        BindSliderToDiagram(false);
    }
}

void TZovForm::TrackChange(std::int32_t position)
{
    if (position < 0 || position > TrackBar->maximum())
        return;
    Trace("Rules1.TrackChange " + std::to_string(position));
    TrackBar->setValue(position);
}

QStatusBar* TZovForm::StatusBar()
{
    // Made when first needed: it shows only in debug mode, and making it lays out its text.
    if (!m_statusBar) {
        m_statusBar = statusBar();
        m_statusBar->setVisible(DebugMode);
    }
    return m_statusBar;
}

void TZovForm::StatusChange(const std::string& text)
{
    StatusBar()->showMessage(QString::fromStdString(text));
}

// ---------------------------------------------------------------------------------------------
// Edit menu

bool TZovForm::CanPaste(const TDiagram& d) const
{
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    return IsText(d.FSelected) && clipboard && clipboard->hasText();
}

void TZovForm::Edit1Click()
{
    // What the open menu shows. The commands work their state out again when they run: a greyed
    // item here must not leave its shortcut dead once the menu has closed.
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    Paste1->setEnabled(CanPaste(*d));
    Undo1->setEnabled(!d->FUndoStack.empty());
    if (!d->FUndoStack.empty())
        Undo1->setText(QString::fromStdString(d->UndoCaption()));
}

void TZovForm::EditMenuClosed()
{
    // A disabled item's shortcut never fires: Undo and Paste go back to reaching their commands,
    // which check for themselves (the whole menu is disabled on the "Welcome" tab).
    const bool on = Edit1->menuAction()->isEnabled();
    Undo1->setEnabled(on);
    Paste1->setEnabled(on);
}

void TZovForm::Undo1Click()
{
    TDiagram* d = CurrentDiagram();
    if (!d || d->FUndoStack.empty())
        return;
    CurrentDiagramScope current(d);
    Run([&] { d->Undo(); });
}

void TZovForm::Insert1Click()
{
    if (!CurrentDiagram())
        return;
    ChoixObj->Button9->setEnabled(false);
    // At the left screen edge, just below the tab strip: the client area starts under the menus.
    const QPoint origin = centralWidget()->mapToGlobal(QPoint(0, 0));
    ChoixObj->move(0, origin.y() + TabControl->height() + 10);
    ChoixObj->show();
    ChoixObj->raise();
}

void TZovForm::CopyClick()
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    if (auto* text = dynamic_cast<TGenText*>(d->FSelected)) {
        QApplication::clipboard()->setText(rt::FromCp1252(text->FText));
        return;
    }
    CurrentDiagramScope current(d);
    Run([&] {
        std::unique_ptr<gfx::Bitmap> picture = d->CopyToBitmap(0, 0);
        QApplication::clipboard()->setImage(picture->image());
    });
}

void TZovForm::Paste1Click()
{
    TDiagram* d = CurrentDiagram();
    if (!d || !CanPaste(*d))
        return;
    if (auto* text = dynamic_cast<TGenText*>(d->FSelected)) {
        text->FText = rt::ToCp1252(QApplication::clipboard()->text());
        text->InvalidatePath();
        d->FModified = 1;
        Comments->Refresh(text);
        // The selected text is drawn over the static picture: it shows at once, as typed text does.
        d->Repaint();
    }
}

void TZovForm::Print1Click()
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    // At the printer's own resolution (the canvas caps it): a printer made at screen resolution
    // prints a 96 DPI picture whose step numbers cannot be read, and a header too narrow for
    // its two columns.
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (ui::Dialogs().Exec(dialog) != QDialog::Accepted)
        return;
    CurrentDiagramScope current(d);
    Run([&] {
        ui::PrinterCanvas canvas(printer);
        d->Print(PrintThrough ? PrintThrough(printer, canvas) : canvas);
    });
}

void TZovForm::Characteristics1Click()
{
    if (!Characteristics) {
        Characteristics = new TCharacteristics(this);
        // Runs after the dialog's own OK, which marks the diagram.
        QObject::connect(Characteristics->OK, &QPushButton::clicked, this, [this] { Comments->KeepModified(); });
    }
    Characteristics->show();
    Characteristics->raise();
    Characteristics->activateWindow();
}

void TZovForm::Search1Click()
{
    MakeToolWindows(); // the browser is one of them
    FileList->show();
    FileList->raise();
    FileList->activateWindow();
}

void TZovForm::Rules1Click()
{
    if (TDiagram* d = CurrentDiagram()) {
        RulesPanel->SetDiagram(d);
        Run([&] { RulesPanel->Refresh(d->FRoot); });
        RulesPanel->show();
        RulesPanel->raise();
    }
}

void TZovForm::DocumentTextClick(std::uint8_t kind)
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    CurrentDiagramScope current(d);
    Run([&] {
        // The setup dialog goes first: its hide handler clears the selection, which must not
        // happen to the text selected next (the text dialog would edit an unselected text).
        Setup->hide();
        TGenText* text = d->FindOrAddText(kind, true);
        Comments->Refresh(text);
        Comments->show();
    });
    // The item toggled its own check when triggered: the checks say which texts the diagram holds,
    // the one now shown among them.
    SyncTextChecks();
}

// ---------------------------------------------------------------------------------------------
// Options menu

void TZovForm::OptionClick(QAction* item)
{
    TDiagram* d = CurrentDiagram();
    if (!d)
        return;
    const bool on = item->isChecked();
    bool changed = false;
    auto store = [&](auto& setting, auto value) {
        if (setting != value) {
            setting = value;
            changed = true;
        }
    };
    if (item == Grid1)
        store(d->FShowGrid, std::int16_t(on ? 1 : 0));
    else if (item == Laylines1)
        store(d->FShowLaylines, std::int16_t(on ? 1 : 0));
    else if (item == BoatsTracks1)
        store(d->FShowTracks, std::uint8_t(on ? 1 : 0));
    else if (item == SituationNumber1)
        store(d->FHideNumbers, std::uint8_t(on ? 0 : 1));
    if (!changed)
        return;
    d->FModified = 1;
    Comments->KeepModified();
    CurrentDiagramScope current(d);
    Run([&] {
        d->Redraw();
        d->Repaint();
    });
}

// ---------------------------------------------------------------------------------------------
// Setup and text dialogs

void TZovForm::EnterInsertMode(std::uint8_t state)
{
    TDiagram* d = CurrentDiagram();
    if (!d || !d->FSelected)
        return;
    d->FStep = 0;
    Setup->Button1->setEnabled(false);
    Setup->Button2->setEnabled(false);
    Setup->Button3->setEnabled(true);
    Setup->Button3->setFocus();
    d->FEditState = state;
    m_current->SetCursor(ViewCursor::Cross);
}

void TZovForm::InsertAfterClick()
{
    EnterInsertMode(esInsertAfter);
}

void TZovForm::InsertBeforeClick()
{
    EnterInsertMode(esInsertBefore);
}

void TZovForm::FreeClick()
{
    Setup->Button1->setEnabled(true);
    Setup->Button2->setEnabled(true);
    Setup->Button3->setEnabled(false);
    ChoixObj->Button9->setEnabled(false);
    if (TDiagram* d = CurrentDiagram()) {
        d->FEditState = esFree;
        m_current->SetCursor(ViewCursor::Default);
    }
}

void TZovForm::SetupHide()
{
    if (TDiagram* d = CurrentDiagram()) {
        CurrentDiagramScope current(d);
        Run([&] { d->SetSelected(nullptr); });
    }
}

void TZovForm::CommentsHide()
{
    TDiagram* d = CurrentDiagram();
    if (!d || !d->FSelected)
        return;
    CurrentDiagramScope current(d);
    Run([&] {
        TObjet* obj = d->FSelected;
        if (auto* text = dynamic_cast<TGenText*>(obj)) {
            text->FText = rt::ToCp1252(rt::FromCp1252(text->FText).trimmed());
            const bool keep = obj->FUnlinked == 0 && !text->FText.empty();
            switch (obj->FGenre) {
            case gComments: Comments1->setChecked(keep); break;
            case gSummary: Summary1->setChecked(keep); break;
            case gFactsFound: Facts1->setChecked(keep); break;
            case gDecision: Decision1->setChecked(keep); break;
            default: break;
            }
            if (!keep && obj->FUnlinked == 0)
                d->RemoveObject(obj, false);
        }
        d->SetSelected(nullptr);
    });
}

// ---------------------------------------------------------------------------------------------
// What the diagrams ask of the dialogs

void TZovForm::SetupShow(TObjet* obj)
{
    Setup->Refresh(obj);
    Setup->show();
    Setup->raise();
}

void TZovForm::HideSetup()
{
    Setup->hide();
}

void TZovForm::HideComments()
{
    Comments->hide();
}

void TZovForm::SetupRefresh()
{
    if (TDiagram* d = CurrentDiagram())
        Setup->Refresh(d->FSelected);
}

void TZovForm::SetupFreeButtonEnabled(bool enabled, bool focus)
{
    Setup->Button3->setEnabled(enabled);
    if (focus)
        Setup->Button3->setFocus();
}

bool TZovForm::SetupVisible() const
{
    return Setup->isVisible();
}

void TZovForm::SetupKeepClearOf(int sx)
{
    const QScreen* screen = this->screen();
    const int width = screen ? screen->geometry().width() : 1024;
    if (sx > width * 2 / 3)
        Setup->move(10, Setup->y());
    else if (sx < width / 3)
        Setup->move(width - Setup->width() - 10, Setup->y());
}

void TZovForm::CommentsShow(TGenText* text)
{
    Comments->Refresh(text);
    Comments->show();
    Comments->raise();
}

void TZovForm::PaletteFreeButtonEnabled(bool enabled)
{
    ChoixObj->Button9->setEnabled(enabled);
}

bool TZovForm::ChoosePictureModal()
{
    return ImageSelect->Choose();
}

const gfx::Bitmap* TZovForm::ChosenPicture() const
{
    return ImageSelect->Picture();
}

bool TZovForm::ChosenPictureIsBackground() const
{
    return ImageSelect->Background();
}

void TZovForm::RulesPanelRefresh()
{
    RulesPanel->RefreshIfVisible();
}

void TZovForm::HideToolWindows()
{
    if (Characteristics)
        Characteristics->hide();
    ChoixObj->hide();
    ImageSelect->hide();
    RulesPanel->hide();
}

void TZovForm::ShowMessage(const std::string& text)
{
    ui::ShowMessage(QString::fromStdString(text), this);
}

} // namespace zov
