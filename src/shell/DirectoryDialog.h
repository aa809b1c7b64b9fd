#pragma once
// The folder chooser "Select a folder": a drive list above a folder tree, OK and Cancel. The
// diagram browser presets it and runs it modally.

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace zov {

class TDirectory : public QDialog {
public:
    explicit TDirectory(QWidget* parent = nullptr);

    // Presets the drive list to Folder's drive (its root) and the folder tree to Folder.
    void SetFolder(const QString& folder);
    // The path of the entry selected in the folder tree; the preset folder when none is.
    QString Folder() const;

    QLabel* Label1 = nullptr;             // "Drive"
    QComboBox* DriveComboBox1 = nullptr;  // the roots of the file system
    QTreeView* DirectoryListBox1 = nullptr;
    QPushButton* Button1 = nullptr;       // "&OK"
    QPushButton* Button2 = nullptr;       // "&Cancel"

private:
    void DriveChanged(int index);

    QFileSystemModel* m_model = nullptr;
    QString m_folder;
};

} // namespace zov
