#include "plat_ui/ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace zov::ui {

ProgressWindow::ProgressWindow()
    : m_info(new QLabel(this))
    , m_bar(new QProgressBar(this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(320);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addWidget(m_bar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, [this] { RequestCancel(); });
}

void ProgressWindow::Open(const std::string& caption, const std::string& info, int maximum)
{
    setWindowTitle(QString::fromStdString(caption));
    m_info->setText(QString::fromStdString(info));
    m_bar->setRange(0, std::max(maximum, 1));
    m_bar->setValue(0);
    m_cancelled = false;
    m_cancel->setEnabled(true);
    if (QWidget* active = QApplication::activeWindow(); active && active != this) {
        adjustSize();
        move(active->frameGeometry().center() - rect().center());
        winId(); // the native window, to tie it to the window it belongs to
        if (windowHandle() && active->windowHandle())
            windowHandle()->setTransientParent(active->windowHandle());
    }
    show();
    raise();
    QCoreApplication::processEvents(); // shown at once, not after the first step
}

void ProgressWindow::StepIt()
{
    if (m_bar->value() < m_bar->maximum())
        m_bar->setValue(m_bar->value() + 1);
    QCoreApplication::processEvents();
}

void ProgressWindow::SetMaximum(int maximum)
{
    m_bar->setRange(0, std::max(maximum, 1));
}

void ProgressWindow::Close() { hide(); }

void ProgressWindow::RequestCancel()
{
    m_cancelled = true;
    m_cancel->setEnabled(false);
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    RequestCancel();
    event->ignore();
}

void ProgressWindow::reject() { RequestCancel(); }

ProgressMaker ProgressWindow::Maker()
{
    return [] { return std::make_unique<ProgressWindow>(); };
}

} // namespace zov::ui
