#pragma once
// Every modal interaction of the program goes through one host: the real one runs Qt's boxes and
// dialogs; tests install one that answers at once, so nothing ever blocks a test.

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

namespace zov::ui {

class DialogHost {
public:
    virtual ~DialogHost() = default;
    // A message box; returns the button chosen.
    virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
        const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);
    // Runs Dialog modally and returns its result code.
    virtual int Exec(QDialog& dialog);
};

// The host in force.
DialogHost& Dialogs();
// Installs Host (not owned) for the whole process; nullptr puts the real one back. Returns the one before.
DialogHost* SetDialogHost(DialogHost* host);

// The caption of the program's message boxes ("Zovaran" once the start-up has set it).
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// An information box with an OK button, captioned with the application title.
void ShowMessage(const QString& text, QWidget* parent = nullptr);
// A box captioned with the application title; returns the button chosen.
QMessageBox::StandardButton MessageBox(const QString& text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton = QMessageBox::NoButton,
    QWidget* parent = nullptr);

} // namespace zov::ui
