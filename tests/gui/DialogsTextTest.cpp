#include "FakeDialogHost.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "shell/CommentsDialog.h"
#include "shell/ObjectPalette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFrame>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace zov;

namespace {

struct TextScene {
    TDiagram diagram;
    CurrentDiagramScope current { &diagram };
    TRemarque* remark = new TRemarque({ 100, 100 }, 0, 1.0f);
    TextScene()
    {
        diagram.FRoot = remark;
        remark->FText = "Hi";
    }
};

// A family the font lists surely hold, other than the object's.
QString otherFamily(const QString& not_)
{
    for (const QString& family : QFontDatabase::families())
        if (family != not_ && !QFontDatabase::isPrivateFamily(family))
            return family;
    return {};
}

} // namespace

TEST(DialogsText, ControlsKeepTheirPlacesAtBothSizes)
{
    TextScene s;
    TComments comments;
    comments.Refresh(s.remark);
    EXPECT_EQ(comments.Memo1->geometry(), QRect(12, 12, 360, 100));
    EXPECT_EQ(comments.Panel1->geometry(), QRect(0, 152, 384, 48));
    // "&Delete", "&Font", "&OK", "&Cancel" from left to right, 64 x 25 each, inside the strip.
    int left = -1;
    for (QPushButton* button : { comments.Button4, comments.Button1, comments.Button2, comments.Button3 }) {
        EXPECT_EQ(button->size(), QSize(64, 25)) << button->text().toStdString();
        EXPECT_GT(button->x(), left);
        EXPECT_LE(button->geometry().right(), 384);
        left = button->geometry().right();
    }
    EXPECT_EQ(comments.Button4->text(), "&Delete");
    EXPECT_EQ(comments.Button1->text(), "&Font");
    // The check boxes lie between the memo and the strip.
    EXPECT_GT(comments.CheckBox1->y(), comments.Memo1->geometry().bottom());
    EXPECT_LT(comments.CheckBox1->geometry().bottom(), comments.Panel1->y());
    EXPECT_FALSE(comments.CheckBox1->geometry().intersects(comments.CheckBox2->geometry()));

    // A document text: 100 pixels more each way, the memo takes all of it.
    TGenText summary({ 0, 0 }, 0, 1.0f);
    summary.FGenre = gSummary;
    comments.Refresh(&summary);
    EXPECT_EQ(comments.Memo1->geometry(), QRect(12, 12, 460, 200));
    EXPECT_EQ(comments.Panel1->geometry(), QRect(0, 252, 484, 48));
    EXPECT_EQ(comments.Button3->geometry().right(), 484 - 12 - 1);
    EXPECT_TRUE(comments.CheckBox2->isHidden());
    // Back to a remark: the design size again.
    comments.Refresh(s.remark);
    EXPECT_EQ(comments.size(), QSize(384, 200));
    EXPECT_FALSE(comments.CheckBox2->isHidden());
    comments.hide();
}

TEST(DialogsText, FrameTransparencyAndTheCloseBox)
{
    TextScene s;
    TComments comments;
    int hides = 0;
    comments.OnHide = [&] { ++hides; };

    // The check boxes show the remark and change it; each change counts as a change of the file.
    s.remark->FFlags |= flTransparent;
    comments.Refresh(s.remark);
    EXPECT_FALSE(comments.CheckBox1->isChecked());
    EXPECT_TRUE(comments.CheckBox2->isChecked());
    QTest::mouseClick(comments.CheckBox2, Qt::LeftButton);
    EXPECT_EQ(s.remark->FFlags & flTransparent, 0);
    EXPECT_EQ(s.diagram.FModified, 1);
    QTest::mouseClick(comments.Button2, Qt::LeftButton);
    EXPECT_EQ(s.remark->FFlags & flTransparent, 0);
    EXPECT_EQ(s.diagram.FModified, 1);
    EXPECT_EQ(hides, 1);

    // "&Delete" follows the text: disabled once it is empty, enabled again when typed.
    s.diagram.FModified = 0;
    comments.Refresh(s.remark);
    EXPECT_TRUE(comments.Button4->isEnabled());
    comments.Memo1->selectAll();
    QTest::keyClick(comments.Memo1, Qt::Key_Delete);
    EXPECT_EQ(s.remark->FText, "");
    EXPECT_FALSE(comments.Button4->isEnabled());
    QTest::keyClicks(comments.Memo1, "New");
    EXPECT_TRUE(comments.Button4->isEnabled());
    QTest::mouseClick(comments.CheckBox1, Qt::LeftButton);
    EXPECT_EQ(s.remark->FFrame, 1);

    // The close box cancels: text, frame and the modified flag as the dialog found them.
    comments.close();
    EXPECT_FALSE(comments.isVisible());
    EXPECT_EQ(hides, 2);
    EXPECT_EQ(s.remark->FText, "Hi");
    EXPECT_EQ(s.remark->FFrame, 0);
    EXPECT_EQ(s.diagram.FModified, 0);
    EXPECT_EQ(comments.FText, nullptr);

    // An empty text opens with "&Delete" disabled.
    s.remark->FText.clear();
    comments.Refresh(s.remark);
    EXPECT_FALSE(comments.Button4->isEnabled());
    comments.hide();
}

TEST(DialogsText, FontTakesTheColourAlwaysAndANewFontOnlyWhenItDiffers)
{
    TextScene s;
    TRemarque& r = *s.remark;
    r.FFontName = "Arial";
    r.FFontSize = 12;
    r.FFontStyle = gfx::FontItalic;
    r.FFontColor = 0x80123456; // the alpha is not the dialog's business
    const gfx::Font kept("Kept", 7.0f, 0); // tells whether the object's font was made anew
    r.FFont = kept;
    FakeDialogHost dialogs;
    TComments comments;
    comments.Refresh(&r);

    // Cancel changes nothing.
    dialogs.onExec = [&](QDialog& d) {
        auto& font = dynamic_cast<TFontDialog&>(d);
        EXPECT_EQ(font.SelectedColour(), 0x123456u);
        const QFont f = font.SelectedFont();
        EXPECT_EQ(f.family(), "Arial"); // even where the system shows a stand-in
        EXPECT_EQ(f.pointSize(), 12);
        EXPECT_TRUE(f.italic());
        EXPECT_FALSE(f.bold());
        font.SetColour(0xFF0000);
        return int(QDialog::Rejected);
    };
    QTest::mouseClick(comments.Button1, Qt::LeftButton);
    EXPECT_EQ(dialogs.dialogs.value(0), "Font");
    EXPECT_EQ(r.FFontColor, 0x80123456u);
    EXPECT_EQ(s.diagram.FModified, 0);

    // The same font in another colour: the colour, opaque; the font object stays.
    dialogs.onExec = [&](QDialog& d) {
        dynamic_cast<TFontDialog&>(d).SetColour(0x0000FF);
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(comments.Button1, Qt::LeftButton);
    EXPECT_EQ(r.FFontColor, 0xFF0000FFu);
    EXPECT_EQ(r.FFont, kept);
    EXPECT_EQ(r.FFontName, "Arial");
    EXPECT_EQ(r.FFontStyle, gfx::FontItalic);
    EXPECT_EQ(s.diagram.FModified, 1);

    // Another family, size and style: all of it, and a new font.
    const QString family = otherFamily(QStringLiteral("Arial"));
    ASSERT_FALSE(family.isEmpty());
    dialogs.onExec = [&](QDialog& d) {
        auto& font = dynamic_cast<TFontDialog&>(d);
        QFont f(family);
        f.setPointSize(20);
        f.setBold(true);
        font.Fonts->setCurrentFont(f);
        return int(QDialog::Accepted);
    };
    QTest::mouseClick(comments.Button1, Qt::LeftButton);
    const QFont chosen = [&] {
        QFontDialog probe;
        QFont f(family);
        f.setPointSize(20);
        f.setBold(true);
        probe.setCurrentFont(f);
        return probe.currentFont();
    }();
    EXPECT_EQ(r.FFontName, chosen.family().toStdString());
    EXPECT_EQ(r.FFontSize, 20);
    EXPECT_EQ(r.FFontStyle, (chosen.bold() ? gfx::FontBold : 0) | (chosen.italic() ? gfx::FontItalic : 0));
    EXPECT_EQ(r.FFont, gfx::Font(r.FFontName, 20.0f, r.FFontStyle));
    EXPECT_EQ(r.FFontColor, 0xFF0000FFu);

    // Cancel of the text dialog puts the font and colour back too.
    QTest::mouseClick(comments.Button3, Qt::LeftButton);
    EXPECT_EQ(r.FFontName, "Arial");
    EXPECT_EQ(r.FFontSize, 12);
    EXPECT_EQ(r.FFontColor, 0x80123456u);
    EXPECT_EQ(r.FFont, kept);
    EXPECT_EQ(s.diagram.FModified, 0);
}

TEST(DialogsPalette, HintsAreKeptButOnlyThreeAreShown)
{
    TChoixObj palette;
    EXPECT_EQ(TChoixObj::Hint(&palette), "To choice a new object to add onto shema");
    EXPECT_TRUE(palette.statusTip().isEmpty());
    EXPECT_EQ(TChoixObj::Hint(palette.Button3), "To insert a new Judge boat");
    EXPECT_EQ(TChoixObj::Hint(palette.Button14), "To insert a curved Arrow");
    EXPECT_EQ(palette.Button9->toolTip(), "To cancel object selection");
    for (int n = 1; n <= 14; ++n) {
        EXPECT_TRUE(palette.Button(n)->statusTip().isEmpty()) << n; // nothing reaches a status bar
        EXPECT_FALSE(TChoixObj::Hint(palette.Button(n)).isEmpty()) << n;
    }
    EXPECT_FALSE(palette.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(palette.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(TChoixObj::Hint(nullptr), QString());
}
