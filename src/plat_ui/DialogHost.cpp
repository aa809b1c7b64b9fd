#include "plat_ui/DialogHost.h"

#include <QDialog>

namespace zov::ui {

namespace {
DialogHost realHost;
DialogHost* currentHost = &realHost;
QString applicationTitle = QStringLiteral("Zovaran");
} // namespace

QMessageBox::StandardButton DialogHost::Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
    const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

int DialogHost::Exec(QDialog& dialog)
{
    return dialog.exec();
}

DialogHost& Dialogs()
{
    return *currentHost;
}

DialogHost* SetDialogHost(DialogHost* host)
{
    DialogHost* before = currentHost;
    currentHost = host ? host : &realHost;
    return before == &realHost ? nullptr : before;
}

QString ApplicationTitle()
{
    return applicationTitle;
}

void SetApplicationTitle(const QString& title)
{
    applicationTitle = title;
}

void ShowMessage(const QString& text, QWidget* parent)
{
    Dialogs().Message(parent, QMessageBox::NoIcon, applicationTitle, text, QMessageBox::Ok, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox(const QString& text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton, QWidget* parent)
{
    return Dialogs().Message(parent, icon, applicationTitle, text, buttons, defaultButton);
}

} // namespace zov::ui
