#include "FakeDialogHost.h"
#include "support/FakeHost.h"

#include "diagram/Diagram.h"
#include "plat/sys/RegistryKey.h"
#include "shell/Characteristics.h"
#include "shell/SetupDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>

using namespace zov;

namespace {

// Counts the renderings of the static picture.
class CountingDiagram : public TDiagram {
public:
    using TDiagram::TDiagram;
    using TDiagram::Redraw;
    void Redraw() override
    {
        ++redraws;
        TDiagram::Redraw();
    }
    int redraws = 0;
};

class MemoryKey : public sys::RegistryKey {
public:
    bool OpenKey(bool) override { return true; }
    void CloseKey() override { }
    QString ReadString(const QString& name) override { return values.value(name); }
    void WriteString(const QString& name, const QString& value) override
    {
        ++writes;
        values[name] = value;
    }
    QMap<QString, QString> values;
    int writes = 0;
};

// A current diagram with a known header, and the dialog bound to a settings key in memory.
struct Fixture {
    Fixture()
        : diagram(&host)
    {
        SetField(diagram.FHeader.Date, "05/03/2026");
        SetField(diagram.FHeader.Author, "skipper");
        SetField(diagram.FHeader.Rules, "RRS 2025");
        SetField(diagram.FHeader.CaseCall, "Case 50");
        SetField(diagram.FHeader.Description, "Port and\r\nstarboard");
        SetField(diagram.FEmail, "other@example.org");
        diagram.FHeader.SituationType = stBeat;
        diagram.FHeader.Reserved = { 'x', 'y' };
        diagram.FLaylineAngle = 45;
        diagram.FWind = 90;
        dialog.SetSettingsKey(&key);
        key.values[QStringLiteral("Email")] = QStringLiteral("me@example.org");
    }
    void retype(QLineEdit* e, const QString& text)
    {
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }

    zovtest::FakeHost host;
    CountingDiagram diagram;
    CurrentDiagramScope current { &diagram };
    MemoryKey key;
    TCharacteristics dialog;
};

} // namespace

TEST(Characteristics, ShowFillsTheControlsFromTheCurrentDiagram)
{
    Fixture f;
    f.dialog.show();
    EXPECT_EQ(f.dialog.windowTitle(), "Characteristics");
    EXPECT_EQ(f.dialog.Edit1->text(), "05/03/2026");
    EXPECT_EQ(f.dialog.Edit2->text(), "skipper");
    EXPECT_EQ(f.dialog.Edit3->toPlainText(), "Port and\nstarboard");
    EXPECT_EQ(f.dialog.Edit4->text(), "RRS 2025");
    EXPECT_EQ(f.dialog.Edit5->text(), "Case 50");
    EXPECT_EQ(f.dialog.Edit6->text(), "other@example.org");
    EXPECT_EQ(f.dialog.ComboBox1->currentText(), "Beat");
    EXPECT_EQ(f.dialog.ComboBox1->count(), 8);
    EXPECT_EQ(f.dialog.ComboBox1->itemText(0), " ");
    EXPECT_EQ(f.dialog.ComboBox1->itemText(7), "Gate");
    EXPECT_EQ(f.dialog.ScrollBar1->value(), 45);
    EXPECT_EQ(f.dialog.Degrees->text(), "45");
    EXPECT_EQ(f.dialog.ScrollBar2->value(), 0);
    EXPECT_EQ(f.dialog.WinDir->text(), "0");

    // Values outside the controls' ranges, as a damaged or foreign file may hold: the sliders
    // keep their ranges, an unknown situation selects nothing.
    f.dialog.hide();
    f.diagram.FLaylineAngle = 0;
    f.diagram.FWind = 65535;
    f.diagram.FHeader.SituationType = 300;
    f.dialog.show();
    EXPECT_EQ(f.dialog.ScrollBar1->value(), 1);
    EXPECT_EQ(f.dialog.Degrees->text(), "1");
    EXPECT_EQ(f.dialog.ScrollBar2->value(), 30);
    EXPECT_EQ(f.dialog.WinDir->text(), "30");
    EXPECT_EQ(f.dialog.ComboBox1->currentIndex(), -1);

    // OK without a change: the layline angle 0 becomes 1 and the picture is redrawn; the
    // unknown situation is kept; the diagram counts as modified.
    QTest::mouseClick(f.dialog.OK, Qt::LeftButton);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.diagram.FLaylineAngle, 1);
    EXPECT_EQ(f.diagram.FWind, 120);
    EXPECT_EQ(f.diagram.FHeader.SituationType, 300);
    EXPECT_EQ(f.diagram.FModified, 1);
    EXPECT_GE(f.diagram.redraws, 1);
    EXPECT_GE(f.host.repaints, 1);
}

TEST(Characteristics, OkStoresTheTypedFieldsCutToTheirWidths)
{
    Fixture f;
    f.dialog.show();
    f.retype(f.dialog.Edit1, QStringLiteral("2026-12-07 and more"));
    f.retype(f.dialog.Edit2, QString(60, u'a'));
    f.retype(f.dialog.Edit4, QStringLiteral("Appendix R and the rest"));
    f.retype(f.dialog.Edit5, QStringLiteral("Call 123456"));
    f.dialog.Edit3->selectAll();
    QTest::keyClick(f.dialog.Edit3, Qt::Key_Delete);
    QTest::keyClicks(f.dialog.Edit3, QStringLiteral("First line"));
    QTest::keyClick(f.dialog.Edit3, Qt::Key_Return);
    QTest::keyClicks(f.dialog.Edit3, QStringLiteral("second"));
    f.dialog.ComboBox1->setCurrentIndex(7);
    // A typed number moves its slider; OK takes the sliders.
    f.retype(f.dialog.Degrees, QStringLiteral("30"));
    EXPECT_EQ(f.dialog.ScrollBar1->value(), 30);
    f.retype(f.dialog.WinDir, QStringLiteral("-10"));
    EXPECT_EQ(f.dialog.ScrollBar2->value(), -10);
    QTest::mouseClick(f.dialog.OK, Qt::LeftButton);

    const TDiagramHeader& h = f.diagram.FHeader;
    EXPECT_EQ(FieldText(h.Date), "2026-12-07 and");
    EXPECT_EQ(FieldText(h.Author), std::string(49, 'a'));
    EXPECT_EQ(FieldText(h.Rules), "Appendix R and the ");
    EXPECT_EQ(FieldText(h.CaseCall), "Call 1234");
    EXPECT_EQ(FieldText(h.Description), "First line\r\nsecond");
    EXPECT_EQ(h.SituationType, stGate);
    EXPECT_EQ(h.Reserved[0], 'x'); // never touched by the dialog
    EXPECT_EQ(h.Reserved[1], 'y');
    EXPECT_EQ(f.diagram.FLaylineAngle, 30);
    EXPECT_EQ(f.diagram.FWind, 80);
    EXPECT_EQ(f.diagram.FModified, 1);
    EXPECT_GE(f.diagram.redraws, 1);
    EXPECT_FALSE(f.dialog.isVisible());
}

TEST(Characteristics, DescriptionMemoRefusesTextPastItsWidth)
{
    Fixture f;
    f.dialog.show();
    f.dialog.Edit3->selectAll();
    QTest::keyClick(f.dialog.Edit3, Qt::Key_Delete);
    QTest::keyClicks(f.dialog.Edit3, QString(70, u'd'));
    QTest::keyClick(f.dialog.Edit3, Qt::Key_Return); // a line break is two bytes in the file
    QTest::keyClicks(f.dialog.Edit3, QString(20, u'e'));
    EXPECT_EQ(f.dialog.Edit3->toPlainText(), QString(70, u'd') + u'\n' + QString(7, u'e'));
    QTest::mouseClick(f.dialog.OK, Qt::LeftButton);
    EXPECT_EQ(FieldText(f.diagram.FHeader.Description), std::string(70, 'd') + "\r\n" + std::string(7, 'e'));
}

TEST(Characteristics, CancelAndEscapeLeaveTheDiagramAsItWas)
{
    Fixture f;
    const TDiagramHeader before = f.diagram.FHeader;
    f.dialog.show();
    f.retype(f.dialog.Edit2, QStringLiteral("someone else"));
    f.retype(f.dialog.Edit6, QStringLiteral("new@example.org"));
    f.dialog.ScrollBar1->setValue(20);
    QTest::mouseClick(f.dialog.Cancel, Qt::LeftButton);
    EXPECT_FALSE(f.dialog.isVisible());

    f.dialog.show();
    EXPECT_EQ(f.dialog.Edit2->text(), "skipper"); // the cancelled edit left no trace
    f.retype(f.dialog.Edit4, QStringLiteral("changed"));
    QTest::keyClick(f.dialog.Edit4, Qt::Key_Escape);
    EXPECT_FALSE(f.dialog.isVisible());

    EXPECT_EQ(std::memcmp(&before, &f.diagram.FHeader, sizeof before), 0);
    EXPECT_EQ(f.diagram.FLaylineAngle, 45);
    EXPECT_EQ(f.diagram.FModified, 0);
    EXPECT_EQ(f.diagram.redraws, 0);
    EXPECT_EQ(f.key.writes, 0);
}

TEST(Characteristics, EmailSettingIsWrittenOnlyWhenTheAddressWasEdited)
{
    Fixture f;
    const std::string defaultBefore = DefaultEmail;
    DefaultEmail = "default@example.org";
    f.dialog.show();
    QTest::mouseClick(f.dialog.OK, Qt::LeftButton);
    // Someone else's diagram, OK unchanged: the user's own address stays.
    EXPECT_EQ(f.key.writes, 0);
    EXPECT_EQ(f.key.values.value("Email"), "me@example.org");
    EXPECT_EQ(FieldText(f.diagram.FEmail), "other@example.org");

    f.dialog.show();
    f.retype(f.dialog.Edit6, QStringLiteral("  mine@example.org "));
    QTest::keyClick(f.dialog.Edit6, Qt::Key_Return); // the default button
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.key.values.value("Email"), "mine@example.org");
    EXPECT_EQ(FieldText(f.diagram.FEmail), "  mine@example.org ");
    EXPECT_EQ(DefaultEmail, "default@example.org"); // new diagrams of this run keep the old one
    DefaultEmail = defaultBefore;
}

TEST(Characteristics, WithoutTheDiagramItWasFilledFromOkOnlyCloses)
{
    MemoryKey key;
    {
        // No current diagram at all.
        CurrentDiagramScope none(nullptr);
        TCharacteristics dialog;
        dialog.SetSettingsKey(&key);
        dialog.show();
        EXPECT_EQ(dialog.Edit1->text(), "");
        QTest::keyClicks(dialog.Edit6, QStringLiteral("x@y"));
        QTest::mouseClick(dialog.OK, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        dialog.show();
        QTest::mouseClick(dialog.Cancel, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    {
        // The current diagram changed while the dialog stayed open.
        Fixture f;
        f.dialog.show();
        f.retype(f.dialog.Edit2, QStringLiteral("intruder"));
        TDiagram other;
        {
            CurrentDiagramScope switched(&other);
            QTest::mouseClick(f.dialog.OK, Qt::LeftButton);
        }
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(FieldText(other.FHeader.Author), "");
        EXPECT_EQ(other.FModified, 0);
        EXPECT_EQ(FieldText(f.diagram.FHeader.Author), "skipper");

        // The diagram it was filled from is being closed.
        f.dialog.show();
        f.retype(f.dialog.Edit2, QStringLiteral("intruder"));
        f.dialog.Forget(&f.diagram);
        QTest::mouseClick(f.dialog.OK, Qt::LeftButton);
        EXPECT_FALSE(f.dialog.isVisible());
        EXPECT_EQ(FieldText(f.diagram.FHeader.Author), "skipper");
        EXPECT_EQ(f.diagram.FModified, 0);
    }
    EXPECT_EQ(key.writes, 0);
}
