#pragma once
// The update offer: the available version, its change notes, and Yes or No.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zov {

class TZovUpdate : public QDialog {
public:
    explicit TZovUpdate(QWidget* parent = nullptr);

    // Fills the dialog from the version file's text: the first line is the label (at most 8
    // characters shown), the other lines the notes. False when the text has no line: the dialog
    // is then not to be shown, and its answer is No.
    bool FormShow(const QString& versionText);

    QLabel* LabelVers = nullptr;
    QLabel* Label2 = nullptr; // "Changes from your version are:"
    QPlainTextEdit* Memo1 = nullptr; // the change notes
    QLabel* Label3 = nullptr; // "Do you want to install new version ?"
    QPushButton* Button1 = nullptr; // "&Yes", accepts
    QPushButton* Button2 = nullptr; // "&No", rejects
};

} // namespace zov
