#pragma once
// The diagram browser "Available tactical diagrams": the diagram files of the process's current
// folder with the header of each, sortable by any column; the folder changes through the folder
// chooser, and a double click or Enter on a row hands the file to the main window.

#include "diagram/DiagramHeader.h"

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zov {

class TDirectory;

// The header of a diagram file: the 179 bytes after its version word. False when the file
// cannot be read or is too short to hold them.
bool ReadDiagramHeader(const QString& path, TDiagramHeader& header);

// The browser's text for a situation type; a type it does not know shows blank.
QString SituationText(int situationType);

class TFileList : public QWidget {
public:
    // Parent: the main window, above which the browser stays.
    explicit TFileList(QWidget* parent = nullptr);
    ~TFileList() override;

    // Refills the list from the current folder; a show does it too.
    void FormShow();
    // Adds the row of file Name (as found in the folder) with Header.
    void AddFileItem(const QString& name, const TDiagramHeader& header);
    // Sorts by Column, ascending, or the other way when it is already the sort column.
    void HeaderClick(int column);
    // Negative, zero or positive: the order of two rows by the sort column and direction.
    int ItemsCompare(const QTreeWidgetItem& item1, const QTreeWidgetItem& item2);
    // Changes the folder through the folder chooser, makes it current and refills the list.
    void Button1Click();
    // Opens the selected row, if any: hides the browser and calls OnOpen.
    void OpenSelected();

    // The folder listed (the current folder at the last fill or change).
    QString Folder() const;

    // Called to open a diagram: Folder is the folder listed, File the chosen file's path
    // without its extension.
    std::function<void(const QString& folder, const QString& file)> OnOpen;

    static constexpr int ColumnCount = 7;

    QLabel* Label1 = nullptr; // "Folder:"
    QLabel* Label2 = nullptr; // the folder
    QPushButton* Button1 = nullptr; // "Change..."
    QTreeWidget* ListView = nullptr;

    int FSortColumn = 0;
    int FSortDirection = 1;
    QString FCaptionPrefix;

    // The folder chooser, made on first use.
    TDirectory* Directory();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowFolder(const QString& folder);
    void Sort();

    TDirectory* m_directory = nullptr;
};

} // namespace zov
