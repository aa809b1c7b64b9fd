#pragma once
// The progress window of long operations: a caption, an information line, a bar and a Cancel
// button. It is shown without a modal loop, so the operation goes on and polls Cancel between its
// steps, and while it is open it blocks the input of every other window of the program, so that
// nothing can pull the object of the operation away meanwhile.

#include "diagram/Progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zov::ui {

class ProgressWindow : public QDialog, public Progress {
    Q_OBJECT
public:
    // A top-level window, placed over the active window when it opens.
    ProgressWindow();

    void Open(const std::string& caption, const std::string& info, int maximum) override;
    void StepIt() override;
    void SetMaximum(int maximum) override;
    bool Cancelled() const override { return m_cancelled; }
    void Close() override;

    QLabel* InfoLabel() const { return m_info; }
    QProgressBar* Bar() const { return m_bar; }
    QPushButton* CancelButton() const { return m_cancel; }

    // Makes these windows for the diagram's long operations (install with SetProgressMaker).
    static ProgressMaker Maker();

protected:
    // Closing the window or pressing Escape asks for a cancel; the operation closes the window.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void RequestCancel();

    QLabel* m_info;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};

} // namespace zov::ui
