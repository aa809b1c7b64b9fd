#include "diagram/Diagram.h"
#include "diagram/DiagramHeader.h"
#include "model/Objet.h"
#include "plat_ui/PrinterCanvas.h"
#include "shell/MainWindow.h"
#include "support/RecordingPrintCanvas.h"

#include "gui/FakeDialogHost.h"
#include "gui/MainWindowTesting.h"
#include "gui/PdfFile.h"

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace zov;
using zovtest::RecordingPrintCanvas;
using Kind = RecordingPrintCanvas::Kind;

TEST(PrintCommand, CtrlPPrintsAPdfAtPrinterResolutionWithAHeaderWhoseTextsNeverOverlap)
{
    QTemporaryDir dir;
    FakeDialogHost host;
    TZovForm window;
    ShowMainWindowForTest(window);
    window.NewFromTemplate(3); // windward mark
    TDiagram& d = *window.CurrentDiagram();
    QApplication::processEvents(); // the palette the template opened, then back to the window
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    SailOnToStep(d, 4); // step numbers to read
    d.FFileName = dir.filePath(QStringLiteral("Port and starboard at the windward mark")).toStdString();
    SetField(d.FHeader.Date, "12/05/2024");
    SetField(d.FHeader.Author, "Annabelle Marguerite Fairweather-Longstaff");
    SetField(d.FHeader.Rules, "10, 11, 13, 18.2(b)");
    SetField(d.FHeader.Description, "Blue on port tack meets Yellow on starboard two lengths from the mark");
    SetField(d.FEmail, "annabelle.fairweather-longstaff@windward-yacht-club.example.org");
    d.FHeader.SituationType = stFinishingLine;
    d.FModified = 0;

    // The user picks A4 and printing to a PDF file in the print dialog.
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    host.onExec = [&](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        if (!print)
            return int(QDialog::Rejected);
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(pdf);
        print->printer()->setPageSize(QPageSize(QPageSize::A4));
        return int(QDialog::Accepted);
    };
    RecordingPrintCanvas recorder;
    int resolution = 0;
    QSizeF paper;
    window.PrintThrough = [&](QPrinter& printer, PrintCanvas& canvas) -> PrintCanvas& {
        resolution = printer.resolution();
        paper = printer.pageLayout().fullRect(QPageLayout::Inch).size();
        recorder.inner = &canvas;
        return recorder;
    };
    QTest::keyClick(window.windowHandle(), Qt::Key_P, Qt::ControlModifier);
    recorder.inner = nullptr;

    ASSERT_EQ(host.dialogs.size(), 1);
    EXPECT_TRUE(host.texts.isEmpty()) << host.texts.join('\n').toStdString();
    EXPECT_EQ(recorder.title, "Port and starboard at the windward mark");
    // A PDF page is composed at 300 DPI: the printer's own resolution, capped.
    EXPECT_EQ(resolution, ui::PrinterCanvas::MaxPdfResolution);
    const PdfFile file(pdf);
    ASSERT_TRUE(file.valid());
    ASSERT_EQ(file.pageCount(), 1);
    ASSERT_EQ(file.pageSizes().size(), 1u);
    EXPECT_NEAR(file.pageSizes()[0].width(), 595, 1); // A4 in points
    EXPECT_NEAR(file.pageSizes()[0].height(), 842, 1);
    EXPECT_NEAR(paper.width(), 8.27, 0.01);

    ASSERT_EQ(recorder.pages.size(), 1u);
    const auto& page = recorder.pages[0];
    // The page in printer pixels fills the paper at that resolution.
    EXPECT_GT(recorder.PageWidth(), int(paper.width() * resolution * 0.85));
    EXPECT_LE(recorder.PageWidth(), int(paper.width() * resolution + 1));

    // The picture is at least 300 pixels to the inch on paper, one pixel per printer pixel, and
    // it is the picture the PDF holds.
    const RecordingPrintCanvas::Op* picture = nullptr;
    for (const auto& op : page.ops)
        if (op.kind == Kind::Picture)
            picture = &op;
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pictureSize, picture->rect.size());
    EXPECT_GE(double(picture->pictureSize.width()) * resolution / picture->rect.width(), 300.0);
    EXPECT_GE(picture->rect.width(), int(6.5 * resolution)); // page-wide on A4
    ASSERT_EQ(file.imageSizes().size(), 1u);
    EXPECT_EQ(file.imageSizes()[0], picture->pictureSize);

    // Every text of the header stands on its own inside the header frame: no two overlap, however
    // long the values; a value too long for its column is cut short with an ellipsis.
    ASSERT_EQ(page.ops.front().kind, Kind::Frame);
    const QRect header = page.ops.front().rect;
    std::vector<const RecordingPrintCanvas::Op*> texts;
    for (const auto& op : page.ops)
        if (op.kind == Kind::Text && op.rect.y() < header.bottom() && !op.text.isEmpty())
            texts.push_back(&op);
    EXPECT_EQ(texts.size(), 14u); // labels, values and the description's one line
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i]->text.toStdString());
        EXPECT_TRUE(header.contains(texts[i]->textBox())) << header.right() << " " << texts[i]->textBox().right();
        for (std::size_t j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(texts[i]->textBox().intersects(texts[j]->textBox())) << texts[j]->text.toStdString();
    }
    // The value printed after a label.
    const auto valueOf = [&](const QString& label) {
        for (std::size_t i = 0; i + 1 < texts.size(); ++i)
            if (texts[i]->text == label)
                return texts[i + 1]->text;
        return QStringLiteral("<missing>");
    };
    const auto isCut = [](const QString& printed, const QString& whole) {
        return printed.size() > 5 && printed.endsWith(QChar(0x2026)) && whole.startsWith(printed.chopped(1));
    };
    EXPECT_TRUE(isCut(valueOf(QStringLiteral("Author:")), QStringLiteral("Annabelle Marguerite Fairweather-Longstaff")))
        << valueOf(QStringLiteral("Author:")).toStdString();
    EXPECT_TRUE(isCut(valueOf(QStringLiteral("Email:")),
        QStringLiteral("annabelle.fairweather-longstaff@windward-yacht-club.example.org")))
        << valueOf(QStringLiteral("Email:")).toStdString();
    EXPECT_EQ(valueOf(QStringLiteral("Ref saved:")), QStringLiteral("Port and starboard at the windward mark"));
    EXPECT_EQ(valueOf(QStringLiteral("Rules:")), QStringLiteral("10, 11, 13, 18.2(b)"));
    EXPECT_EQ(valueOf(QStringLiteral("Situation:")), QStringLiteral("Finishing line"));

    // The description is printed in whole lines, all inside its box, which ends 25 pixels above
    // the header frame's bottom edge: one line of it as typed; a longer one with its first line
    // cut short by an ellipsis for the lines left out.
    const std::pair<const char*, QStringList> descriptions[] = {
        { "Blue on port tack meets Yellow on starboard two lengths from the mark", { "Blue on port tack meets Yellow on starboard two lengths from the mark" } },
        { "Blue on port tack meets Yellow on starboard\r\ntwo lengths from the windward mark", { "Blue on port tack meets Yellow on starboard\u2026" } },
        { "Blue on port\r\nYellow on starboard\r\nTwo lengths out\r\nThe mark to port\r\nWind 10 knots", { "Blue on port\u2026" } },
    };
    for (const auto& [description, printed] : descriptions) {
        SCOPED_TRACE(description);
        SetField(d.FHeader.Description, description);
        recorder = RecordingPrintCanvas();
        QTest::keyClick(window.windowHandle(), Qt::Key_P, Qt::ControlModifier);
        recorder.inner = nullptr;
        ASSERT_EQ(recorder.pages.size(), 1u);
        const auto& ops = recorder.pages[0].ops;
        const QRect frame = ops.front().rect;
        const int boxBottom = frame.y() + frame.height() - 25;
        QStringList lines;
        const auto label = std::find_if(ops.begin(), ops.end(), [](const auto& op) { return op.text == QStringLiteral("Description:"); });
        ASSERT_NE(label, ops.end());
        for (auto op = label + 1; op != ops.end() && op->kind == Kind::Text; ++op) {
            lines << op->text;
            EXPECT_LE(op->textBox().bottom() + 1, boxBottom) << op->text.toStdString();
        }
        EXPECT_EQ(lines.join(u'|').toStdString(), printed.join(u'|').toStdString());
    }
}
