#include "ColumnsFit.h"
#include "FakeDialogHost.h"

#include "diagram/Diagram.h"
#include "shell/DirectoryDialog.h"
#include "shell/FileList.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// Makes Folder the process's current folder for one scope.
struct ScopedCwd {
    explicit ScopedCwd(const QString& folder) { QDir::setCurrent(folder); }
    ~ScopedCwd() { QDir::setCurrent(before); }
    QString before = QDir::currentPath();
};

TDiagramHeader header(std::int16_t type, const char* date, const char* rules = "", const char* author = "",
    const char* description = "")
{
    TDiagramHeader h;
    h.SituationType = type;
    SetField(h.Date, date);
    SetField(h.Rules, rules);
    SetField(h.CaseCall, "C1");
    SetField(h.Author, author);
    SetField(h.Description, description);
    return h;
}

// A diagram file: version 10, the header, then the rest of a file without objects.
void writeDiagram(const QString& path, const TDiagramHeader& h)
{
    QByteArray bytes;
    bytes.append(char(10)).append(char(0));
    bytes.append(char(h.SituationType & 0xFF)).append(char((h.SituationType >> 8) & 0xFF));
    bytes.append(h.Rules.data(), h.Rules.size());
    bytes.append(h.Reserved.data(), h.Reserved.size());
    bytes.append(h.CaseCall.data(), h.CaseCall.size());
    bytes.append(h.Author.data(), h.Author.size());
    bytes.append(h.Description.data(), h.Description.size());
    bytes.append(h.Date.data(), h.Date.size());
    bytes.append(QByteArray(110, '\0'));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList column(const TFileList& list, int c)
{
    QStringList texts;
    for (int i = 0; i < list.ListView->topLevelItemCount(); ++i)
        texts << list.ListView->topLevelItem(i)->text(c);
    return texts;
}

void clickHeader(TFileList& list, int section)
{
    QHeaderView* h = list.ListView->header();
    const QPoint at(h->sectionViewportPosition(section) + h->sectionSize(section) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST(FileList, ListsTheDiagramsOfTheCurrentFolderWithTheirHeaders)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeDiagram(dir.filePath("alpha.zov"), header(stBeat, "05/03/2026", "RRS 18", "ann", "Two\r\nlines\n"));
    writeBytes(dir.filePath("broken.zov"), QByteArray(10, 'z')); // between the good ones
    writeDiagram(dir.filePath("Bravo.ZOV"), header(stNone, "15/02/2026"));
    writeDiagram(dir.filePath("race.final.zov"), header(9, "01/03/2025"));
    writeDiagram(dir.filePath("notes.txt"), header(stRun, "01/01/2020"));
    ScopedCwd cwd(dir.path());

    TFileList list;
    list.show();
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    EXPECT_EQ(list.windowTitle(), "Available tactical diagrams in \"" + folder + "\"");
    EXPECT_EQ(list.Label2->text(), folder);
    EXPECT_EQ(list.Button1->x(), list.Label2->geometry().right() + 1 + 20);
    EXPECT_EQ(list.ListView->headerItem()->text(6), "Description");

    EXPECT_EQ(column(list, 0), QStringList({ "alpha", "Bravo", "race.final" }));
    EXPECT_EQ(column(list, 1), QStringList({ "05/03/2026", "15/02/2026", "01/03/2025" }));
    EXPECT_EQ(column(list, 2), QStringList({ "Beat", " ", "" }));
    EXPECT_EQ(column(list, 3), QStringList({ "RRS 18", "", "" }));
    EXPECT_EQ(column(list, 4), QStringList({ "C1", "C1", "C1" }));
    EXPECT_EQ(column(list, 5), QStringList({ "ann", "", "" }));
    EXPECT_EQ(column(list, 6), QStringList({ "Two  lines ", "", "" }));

    // A header as the diagram file itself writes it reads the same.
    TDiagram real;
    CurrentDiagramScope current(&real);
    real.NewEmpty();
    real.FHeader.SituationType = stGate;
    SetField(real.FHeader.Rules, "Rule 11");
    SetField(real.FHeader.Description, "Gate rounding");
    real.FFileName = dir.filePath("saved").toStdString();
    ASSERT_TRUE(real.SaveToFile());
    list.hide();
    list.show();
    ASSERT_EQ(list.ListView->topLevelItemCount(), 4);
    QTreeWidgetItem* saved = list.ListView->topLevelItem(3);
    EXPECT_EQ(saved->text(0), "saved");
    EXPECT_EQ(saved->text(2), "Gate");
    EXPECT_EQ(saved->text(3), "Rule 11");
    EXPECT_EQ(saved->text(6), "Gate rounding");

    // A folder without diagrams.
    QTemporaryDir empty;
    ScopedCwd cwd2(empty.path());
    list.FormShow();
    EXPECT_EQ(list.ListView->topLevelItemCount(), 0);
    EXPECT_TRUE(list.windowTitle().endsWith("\"" + QDir::toNativeSeparators(QDir::currentPath()) + "\""));
}

TEST(FileList, HeaderClicksSortByColumnAndDirection)
{
    QTemporaryDir dir;
    writeDiagram(dir.filePath("a.zov"), header(stBeat, "05/03/2026", "b-rules", "Zed"));
    writeDiagram(dir.filePath("B.zov"), header(stRun, "15/02/2026", "A-rules", "amy"));
    writeDiagram(dir.filePath("c.zov"), header(stGate, "01/03/2025", "c-rules", "Bob"));
    writeDiagram(dir.filePath("d.zov"), header(stNone, "", "", "")); // an empty date
    ScopedCwd cwd(dir.path());

    TFileList list;
    list.show();
    EXPECT_EQ(column(list, 0), QStringList({ "a", "B", "c", "d" }));
    clickHeader(list, 1);
    EXPECT_EQ(column(list, 0), QStringList({ "d", "c", "B", "a" }));
    clickHeader(list, 1); // again: the other way
    EXPECT_EQ(column(list, 0), QStringList({ "a", "B", "c", "d" }));
    clickHeader(list, 5); // another column: ascending, case ignored
    EXPECT_EQ(column(list, 5), QStringList({ "", "amy", "Bob", "Zed" }));
    clickHeader(list, 3);
    EXPECT_EQ(column(list, 3), QStringList({ "", "A-rules", "b-rules", "c-rules" }));
    clickHeader(list, 0);
    clickHeader(list, 0);
    EXPECT_EQ(column(list, 0), QStringList({ "d", "c", "B", "a" }));

    // A show starts over by file name, in the direction the last click left.
    list.hide();
    list.show();
    EXPECT_EQ(list.FSortColumn, 0);
    EXPECT_EQ(column(list, 0), QStringList({ "d", "c", "B", "a" }));
}

TEST(FileList, DoubleClickOrEnterOpensTheSelectedFile)
{
    QTemporaryDir dir;
    writeDiagram(dir.filePath("one.zov"), header(stBeat, "05/03/2026"));
    writeDiagram(dir.filePath("two.ZOV"), header(stBeat, "05/03/2026"));
    ScopedCwd cwd(dir.path());

    TFileList list;
    QStringList opened;
    QString openedFolder;
    list.OnOpen = [&](const QString& folder, const QString& file) {
        openedFolder = folder;
        opened << file;
    };
    list.show();

    // Nothing selected: Enter does nothing.
    list.ListView->setFocus();
    list.ListView->setCurrentItem(nullptr);
    list.ListView->clearSelection();
    QTest::keyClick(list.ListView, Qt::Key_Return);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(list.isVisible());

    QTreeWidgetItem* second = list.ListView->topLevelItem(1);
    const QRect r = list.ListView->visualItemRect(second);
    QTest::mouseClick(list.ListView->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list.ListView->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_FALSE(list.isVisible());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QDir(QDir::currentPath()).filePath("two"));
    EXPECT_EQ(openedFolder, QDir::toNativeSeparators(QDir::currentPath()));

    list.show();
    list.ListView->setFocus();
    list.ListView->setCurrentItem(list.ListView->topLevelItem(0));
    QTest::keyClick(list.ListView, Qt::Key_Enter);
    EXPECT_FALSE(list.isVisible());
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[1], QDir(QDir::currentPath()).filePath("one"));
}

TEST(FileList, ChangeFolderListsTheChosenFolderAndMakesItCurrent)
{
    QTemporaryDir first;
    QTemporaryDir second;
    writeDiagram(first.filePath("here.zov"), header(stBeat, "05/03/2026"));
    writeDiagram(second.filePath("there.zov"), header(stRun, "05/03/2026"));
    ScopedCwd cwd(first.path());
    const QString start = QDir::currentPath();

    TFileList list;
    list.show();
    EXPECT_EQ(column(list, 0), QStringList({ "here" }));

    FakeDialogHost host;
    QString preset;
    host.onExec = [&](QDialog& dialog) {
        auto* chooser = dynamic_cast<TDirectory*>(&dialog);
        EXPECT_NE(chooser, nullptr);
        preset = chooser->Folder();
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(list.Button1, Qt::LeftButton);
    EXPECT_EQ(host.dialogs, QStringList({ "Select a folder" }));
    EXPECT_EQ(QDir(preset), QDir(start));
    EXPECT_EQ(QDir::currentPath(), start); // Cancel keeps the folder
    EXPECT_EQ(column(list, 0), QStringList({ "here" }));

    host.onExec = [&](QDialog& dialog) {
        static_cast<TDirectory&>(dialog).SetFolder(second.path());
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(list.Button1, Qt::LeftButton);
    EXPECT_EQ(QDir(QDir::currentPath()), QDir(second.path()));
    EXPECT_EQ(column(list, 0), QStringList({ "there" }));
    EXPECT_EQ(QDir(list.Folder()), QDir(second.path()));
    EXPECT_EQ(list.Button1->x(), list.Label2->geometry().right() + 1 + 20);

    // A chosen folder that is gone by then leaves the current one.
    const QString gone = second.path() + "/gone";
    host.onExec = [&](QDialog& dialog) {
        QDir().mkpath(gone);
        static_cast<TDirectory&>(dialog).SetFolder(gone);
        QDir(gone).removeRecursively();
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(list.Button1, Qt::LeftButton);
    EXPECT_EQ(QDir(QDir::currentPath()), QDir(second.path()));
    EXPECT_EQ(column(list, 0), QStringList({ "there" }));
}

TEST(FileList, ColumnsWidenToTheirLongestTextButNeverNarrowBelowTheirWidths)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeDiagram(dir.filePath("a-long-name-for-a-starting-sequence.zov"),
        header(stWindwardMark, "05/03/2026", "RRS 18.2(b)", "Anne-Marie Fitzgerald-Llewellyn", "Mark-room"));
    writeDiagram(dir.filePath("b.zov"), header(stRun, "15/02/2026"));
    ScopedCwd cwd(dir.path());
    TFileList list;
    QFont large = list.ListView->font();
    large.setPointSize(14); // a desktop with large letters
    list.ListView->setFont(large);
    list.show();
    ASSERT_EQ(list.ListView->topLevelItemCount(), 2);
    EXPECT_EQ(CutCell(*list.ListView, 6), "");
    EXPECT_GT(list.ListView->columnWidth(1), 75); // the dates

    // Short texts in a small font keep the designed widths.
    QTemporaryDir shortNames;
    writeDiagram(shortNames.filePath("c.zov"), header(stNone, "1"));
    ScopedCwd cwd2(shortNames.path());
    list.ListView->setFont(QFont(large.family(), 6));
    list.ListView->header()->setFont(QFont(large.family(), 6));
    list.FormShow();
    const int designed[] = { 135, 75, 100, 100, 60, 125 };
    for (int c = 0; c < 6; ++c)
        EXPECT_GE(list.ListView->columnWidth(c), designed[c]) << c;
    for (int c : { 0, 2, 3, 5 }) // wide enough for their captions too
        EXPECT_EQ(list.ListView->columnWidth(c), designed[c]) << c;
}
