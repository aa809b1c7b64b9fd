#pragma once
// The about box, and the start-up timer (id 2) that closes it once the program has started.

#include <QBasicTimer>
#include <QDialog>
#include <QIcon>
#include <QPointer>

class QLabel;
class QPushButton;

namespace zov {

// The program's icon, drawn (a white sail on the sea).
QIcon ProgramIcon();

class TAbout : public QDialog {
public:
    explicit TAbout(QWidget* parent = nullptr);

    // Sets the version label each time the box shows.
    void FormShow();
    // The OK button: closes the box with the OK result.
    void Button1Click();

    QLabel* Label1 = nullptr;       // "Zovaran  Version "
    QLabel* VersionLabel = nullptr; // the version
    QLabel* Image1 = nullptr;       // the program icon
    QPushButton* Button1 = nullptr; // "&OK"

protected:
    void showEvent(QShowEvent* event) override;
};

// Set when the main window is created. Its first tick stops it and closes the about box shown at
// start-up; a box shown after that tick closes at once, so the box stays up for what is left of
// the interval after the start-up's own work.
class StartupTimer : public QObject {
public:
    static constexpr int TimerId = 2;
    static constexpr int IntervalMs = 2000;

    explicit StartupTimer(int intervalMs = IntervalMs, QObject* parent = nullptr);

    // Shows About modally (through the dialog host) until the tick or its OK button.
    void ShowAbout(TAbout& about);
    bool ticked() const { return m_ticked; }
    bool isActive() const { return m_timer.isActive(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void tick();

    QBasicTimer m_timer;
    QPointer<TAbout> m_about;
    bool m_ticked = false;
};

} // namespace zov
