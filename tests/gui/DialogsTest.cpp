#include "FakeDialogHost.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "shell/CommentsDialog.h"
#include "shell/ObjectPalette.h"
#include "shell/SetupDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zov;

namespace {

// A diagram made current while a test builds and edits its objects.
struct Scene {
    TDiagram diagram;
    CurrentDiagramScope current { &diagram };

    template <class T> T* add(T* obj)
    {
        if (!diagram.FRoot)
            diagram.FRoot = obj;
        else
            diagram.FRoot->AppendSibling(obj);
        return obj;
    }
};

// Sets the default locale for one scope.
struct ScopedLocale {
    explicit ScopedLocale(const QLocale& l) { QLocale::setDefault(l); }
    ~ScopedLocale() { QLocale::setDefault(before); }
    QLocale before;
};

} // namespace

TEST(DialogsPalette, ButtonsReportTheirNumbersAndChooseTheDiagramTool)
{
    TChoixObj palette;
    palette.show();
    EXPECT_EQ(palette.windowTitle(), "Choices");
    EXPECT_EQ(palette.size(), QSize(115, 456));

    const char* captions[] = { "&Racing boat", "&Committee", "&Judge", "&Wing judge", "&Mark", "&Spectator",
        "R&emark", "&Balloon", "&Free", "&Line", "&Arrow", "&Flag", "&Picture", "&Curved arrow" };
    for (int n = 1; n <= 14; ++n)
        EXPECT_EQ(palette.Button(n)->text(), captions[n - 1]) << n;
    EXPECT_EQ(palette.Button1, palette.Button(1));
    EXPECT_EQ(palette.Button14, palette.Button(14));
    EXPECT_EQ(palette.Button(0), nullptr);
    EXPECT_EQ(palette.Button(15), nullptr);
    // Top to bottom as the table lists them, "&Free" last; only three hints are tool tips.
    const int order[] = { 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 9 };
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(palette.Button(order[i])->geometry(), QRect(12, 8 + 32 * i, 88, 25)) << order[i];
    for (int n = 1; n <= 14; ++n)
        EXPECT_EQ(!palette.Button(n)->toolTip().isEmpty(), n == 1 || n == 2 || n == 9) << n;

    // Wired as the main window wires them: tools to ChooseTool, the picture button apart.
    Scene s;
    std::vector<int> tools;
    int pictures = 0;
    palette.OnTool = [&](int button) {
        tools.push_back(button);
        s.diagram.ChooseTool(button);
    };
    palette.OnPicture = [&] { ++pictures; };
    for (int n = 1; n <= 14; ++n)
        QTest::mouseClick(palette.Button(n), Qt::LeftButton);
    EXPECT_EQ(tools, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14 }));
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(s.diagram.FChoice, gCurvedArrow); // the last tool chosen
    EXPECT_EQ(s.diagram.FEditState, esInsertNew);

    QTest::mouseClick(palette.Button5, Qt::LeftButton);
    EXPECT_EQ(s.diagram.FChoice, gMark);
    QTest::mouseClick(palette.Button9, Qt::LeftButton);
    EXPECT_EQ(s.diagram.FEditState, esFree);
    EXPECT_EQ(s.diagram.FChoice, gMark); // "&Free" leaves the kind alone
}

TEST(DialogsSetup, RefreshShowsTheObjectAndItsClassDecidesTheControls)
{
    Scene s;
    auto* boat = s.add(new TBateauCourse({ 100, 100 }, 45, 1.5f, 0, 0));
    auto* mark = s.add(new TBouee({ 300, 100 }, 0, 1.0f));
    auto* judge = s.add(new TBateauJuge({ 500, 100 }, -30, 0.5f));
    TSetup setup;
    EXPECT_EQ(setup.windowTitle(), "Boat setup");
    EXPECT_EQ(setup.Button1->text(), "Insert &after");
    EXPECT_EQ(setup.Button2->text(), "Insert &before");
    EXPECT_EQ(setup.Button3->text(), "&Free");
    EXPECT_EQ(setup.Button3->toolTip(), "To leave insert mode");
    EXPECT_EQ(setup.Button4->text(), "&Delete");

    setup.Refresh(nullptr);
    EXPECT_FALSE(setup.isVisible());
    EXPECT_EQ(setup.FObjet, nullptr);

    {
        ScopedLocale french(QLocale(QLocale::French));
        setup.Refresh(boat);
        EXPECT_EQ(setup.Edit2->text(), "1,5"); // the user's decimal separator
    }
    EXPECT_TRUE(setup.isVisible());
    EXPECT_EQ(setup.FObjet, boat);
    EXPECT_EQ(setup.windowTitle(), "Racing boat setup");
    EXPECT_EQ(setup.Heading->value(), 45);
    EXPECT_EQ(setup.Edit1->text(), "45");
    EXPECT_EQ(setup.ScrollBar1->value(), 75);
    EXPECT_FALSE(setup.Heading->isHidden());
    EXPECT_TRUE(setup.Button1->isEnabled());
    // Filling the controls changes nothing.
    EXPECT_TRUE(s.diagram.FUndoStack.empty());
    EXPECT_EQ(s.diagram.FModified, 0);
    EXPECT_FLOAT_EQ(boat->FSize, 1.5f);

    setup.Refresh(mark);
    EXPECT_EQ(setup.windowTitle(), "Mark setup");
    EXPECT_TRUE(setup.Heading->isHidden());
    EXPECT_TRUE(setup.Edit1->isHidden());
    EXPECT_TRUE(setup.ScrollBar1->isEnabled());
    EXPECT_FALSE(setup.Button1->isEnabled());
    EXPECT_FALSE(setup.Button2->isEnabled());

    setup.Refresh(judge);
    EXPECT_EQ(setup.windowTitle(), "Judge boat setup");
    EXPECT_EQ(setup.Heading->value(), -30);
    EXPECT_EQ(setup.ScrollBar1->value(), 25);
    EXPECT_EQ(setup.Edit2->text(), QLocale().toString(0.5, 'f', 1));
    EXPECT_FALSE(setup.Heading->isHidden());
    EXPECT_TRUE(setup.Button1->isEnabled());

    // A damaged value is shown clamped and kept as it is.
    judge->FHeading = std::numeric_limits<float>::quiet_NaN();
    judge->FSize = std::numeric_limits<float>::infinity();
    EXPECT_NO_THROW(setup.Refresh(judge));
    EXPECT_EQ(setup.Heading->value(), 0);
    EXPECT_EQ(setup.ScrollBar1->value(), 25);
    EXPECT_TRUE(std::isnan(judge->FHeading));
    EXPECT_TRUE(s.diagram.FUndoStack.empty());

    EXPECT_EQ(SetupLevel(boat), 6);
    EXPECT_EQ(SetupLevel(judge), 5);
    EXPECT_EQ(SetupLevel(mark), 2);
    TRemarque remark({ 0, 0 }, 0, 1.0f);
    EXPECT_EQ(SetupLevel(&remark), 0);
}

TEST(DialogsSetup, HeadingAndSizeEditTheObjectWithOneUndo)
{
    Scene s;
    auto* first = s.add(new TBateauCourse({ 100, 100 }, 45, 1.0f, 0, 0));
    auto* second = new TBateauCourse({ 200, 100 }, 45, 1.0f, 0, 0);
    auto* third = new TBateauCourse({ 300, 100 }, 45, 1.0f, 0, 0);
    first->AddNext(second);
    second->AddNext(third);
    TSetup setup;
    setup.Refresh(second);

    // A typed heading turns the object; past the range the scroll bar stops at 180.
    setup.Edit1->setFocus();
    setup.Edit1->selectAll();
    QTest::keyClicks(setup.Edit1, "999");
    EXPECT_EQ(setup.Heading->value(), 180);
    EXPECT_EQ(setup.Edit1->text(), "180");
    EXPECT_FLOAT_EQ(second->FHeading, 180);
    EXPECT_EQ(s.diagram.FModified, 1);
    ASSERT_EQ(s.diagram.FUndoStack.size(), 1u);
    s.diagram.Undo();
    EXPECT_FLOAT_EQ(second->FHeading, 45);

    // The size goes to this step and the later ones, not the earlier; one record restores both.
    s.diagram.FModified = 0;
    setup.Refresh(second);
    setup.ScrollBar1->setValue(100);
    setup.ScrollBar1->setValue(110);
    EXPECT_EQ(setup.Edit2->text(), QLocale().toString(2.2, 'f', 1));
    EXPECT_FLOAT_EQ(first->FSize, 1.0f);
    EXPECT_FLOAT_EQ(second->FSize, 2.2f);
    EXPECT_FLOAT_EQ(third->FSize, 2.2f);
    EXPECT_EQ(s.diagram.FModified, 1);
    ASSERT_EQ(s.diagram.FUndoStack.size(), 1u);
    s.diagram.Undo();
    EXPECT_FLOAT_EQ(second->FSize, 1.0f);
    EXPECT_FLOAT_EQ(third->FSize, 1.0f);
}

TEST(DialogsSetup, EscFreesAndEveryProgramHideIsReported)
{
    Scene s;
    auto* boat = s.add(new TBateauCourse({ 100, 100 }, 45, 1.0f, 0, 0));
    TSetup setup;
    int hides = 0;
    int frees = 0;
    setup.OnHide = [&] { ++hides; };
    QObject::connect(setup.Button3, &QPushButton::clicked, [&] { ++frees; });
    setup.Refresh(boat);

    QTest::keyClick(&setup, Qt::Key_Escape);
    EXPECT_EQ(frees, 0); // "&Free" is disabled outside insert mode
    setup.SetFreeButtonEnabled(true, true);
    QTest::keyClick(setup.Button3, Qt::Key_Escape);
    QTest::keyClick(setup.Edit1, Qt::Key_Escape);
    EXPECT_EQ(frees, 2);
    EXPECT_EQ(hides, 0);

    setup.hide();
    EXPECT_EQ(hides, 1);
    setup.hide(); // already hidden: nothing more
    EXPECT_EQ(hides, 1);

    // Closing the dialog also leaves insert mode.
    setup.Refresh(boat);
    s.diagram.FEditState = esInsertAfter;
    setup.close();
    EXPECT_EQ(s.diagram.FEditState, esFree);
    EXPECT_EQ(hides, 2);
}

TEST(DialogsComments, OkKeepsTheTypedTextAndCancelPutsEverythingBack)
{
    Scene s;
    auto* remark = s.add(new TRemarque({ 100, 100 }, 45, 1.0f));
    remark->FText = "Hi";
    TComments comments;
    int hides = 0;
    comments.OnHide = [&] {
        ++hides;
        EXPECT_EQ(comments.FText, remark); // the main window still sees the object
    };

    comments.Refresh(remark);
    EXPECT_TRUE(comments.isVisible());
    EXPECT_EQ(comments.windowTitle(), "Remark text");
    EXPECT_EQ(comments.Memo1->toPlainText(), "Hi");
    EXPECT_FALSE(comments.CheckBox1->isHidden());
    EXPECT_EQ(comments.size(), QSize(384, 200));
    EXPECT_EQ(s.diagram.FModified, 0);

    comments.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(comments.Memo1, " caf");
    comments.Memo1->insertPlainText(QString(QChar(0xE9))); // typed as the keyboard would
    EXPECT_EQ(remark->FText, "Hi caf\xE9"); // live, in the file's code page
    EXPECT_EQ(s.diagram.FModified, 1);
    QTest::mouseClick(comments.Button2, Qt::LeftButton);
    EXPECT_FALSE(comments.isVisible());
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(comments.FText, nullptr);
    EXPECT_EQ(remark->FText, "Hi caf\xE9");
    EXPECT_EQ(s.diagram.FModified, 1);

    // Cancel: text, frame and modified state as they were before the dialog opened.
    s.diagram.FModified = 0;
    comments.Refresh(remark);
    comments.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(comments.Memo1, "!!");
    QTest::mouseClick(comments.CheckBox1, Qt::LeftButton);
    EXPECT_EQ(remark->FFrame, 1);
    EXPECT_EQ(s.diagram.FModified, 1);
    QTest::mouseClick(comments.Button3, Qt::LeftButton);
    EXPECT_EQ(hides, 2);
    EXPECT_EQ(remark->FText, "Hi caf\xE9");
    EXPECT_EQ(remark->FFrame, 0);
    EXPECT_EQ(s.diagram.FModified, 0);

    // Esc cancels too; OK without a change leaves the diagram unmodified.
    comments.Refresh(remark);
    QTest::keyClicks(comments.Memo1, "x");
    QTest::keyClick(comments.Memo1, Qt::Key_Escape);
    EXPECT_FALSE(comments.isVisible());
    EXPECT_EQ(remark->FText, "Hi caf\xE9");
    comments.Refresh(remark);
    QTest::mouseClick(comments.Button2, Qt::LeftButton);
    EXPECT_EQ(s.diagram.FModified, 0);
    EXPECT_EQ(hides, 4);
}

TEST(DialogsComments, DocumentTextsKeepWindowsLineEndsAndCanBeDeleted)
{
    Scene s;
    auto* text = s.add(new TGenText({ 0, 0 }, 0, 1.0f));
    text->FGenre = gComments;
    text->FText = "one\r\ntwo";
    TComments comments;
    comments.Refresh(text);
    EXPECT_EQ(comments.windowTitle(), "Comments");
    EXPECT_EQ(comments.size(), QSize(484, 300));
    EXPECT_TRUE(comments.CheckBox1->isHidden());
    EXPECT_EQ(comments.Memo1->toPlainText(), "one\ntwo");
    comments.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(comments.Memo1, Qt::Key_Return);
    QTest::keyClicks(comments.Memo1, "three");
    EXPECT_EQ(text->FText, "one\r\ntwo\r\nthree");

    const std::pair<std::uint8_t, const char*> kinds[] = { { gSummary, "Summary" }, { gFactsFound, "Facts found" },
        { gDecision, "Decision" } };
    for (const auto& [kind, caption] : kinds) {
        text->FGenre = TGenre(kind);
        comments.Refresh(text);
        EXPECT_EQ(comments.windowTitle(), caption);
    }
    TBulle balloon({ 0, 0 }, 45, 1.0f);
    comments.Refresh(&balloon);
    EXPECT_EQ(comments.windowTitle(), "Balloon text");
    comments.hide();

    // Delete asks first; No keeps the text, Yes removes it with an undo record.
    FakeDialogHost dialogs;
    s.diagram.FModified = 0;
    s.diagram.SetSelected(text);
    comments.Refresh(text);
    dialogs.answer = QMessageBox::No;
    QTest::mouseClick(comments.Button4, Qt::LeftButton);
    EXPECT_EQ(dialogs.captions.value(0), "Deleting Text");
    EXPECT_EQ(dialogs.texts.value(0), "Are you sure ?");
    EXPECT_EQ(s.diagram.FRoot, text);
    EXPECT_TRUE(comments.isVisible());
    dialogs.answer = QMessageBox::Yes;
    QTest::mouseClick(comments.Button4, Qt::LeftButton);
    EXPECT_FALSE(comments.isVisible());
    EXPECT_EQ(s.diagram.FRoot, nullptr);
    EXPECT_EQ(s.diagram.FSelected, nullptr);
    EXPECT_EQ(s.diagram.FModified, 1);
    ASSERT_EQ(s.diagram.FUndoStack.size(), 1u);
    s.diagram.Undo();
    EXPECT_EQ(s.diagram.FRoot, text);
}
