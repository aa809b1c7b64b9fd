#include "plat_ui/PrinterCanvas.h"

#include "diagram/Diagram.h"
#include "model/Objet.h"

#include "gui/PdfFile.h"

#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zov;
using zov::ui::PrinterCanvas;

namespace {

std::unique_ptr<QPrinter> pdfPrinter(const QString& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return printer;
}

} // namespace

TEST(PrinterCanvas, PdfResolutionIsCappedAndTextSlicesJoinUp)
{
    QTemporaryDir dir;
    auto printer = pdfPrinter(dir.filePath(QStringLiteral("slices.pdf")));
    ASSERT_GT(printer->resolution(), PrinterCanvas::MaxPdfResolution);
    PrinterCanvas canvas(*printer);
    EXPECT_EQ(printer->resolution(), PrinterCanvas::MaxPdfResolution);
    EXPECT_EQ(canvas.Resolution(), PrinterCanvas::MaxPdfResolution);
    EXPECT_EQ(canvas.FontSize(), 12);
    canvas.BeginDoc(QStringLiteral("Slices"));
    canvas.SetFontSize(12);
    const int line = canvas.TextHeight(QStringLiteral("Description:"));
    ASSERT_GT(line, 0);

    // Paragraphs of every ending, blank lines, runs of blanks and a word longer than a line.
    const QString text = QStringLiteral("First paragraph with some words in it.\r\n\r\nSecond one\n")
        + QString(300, u'x') + QStringLiteral("   tail after blanks\rthird\r\n");
    const QRect box(100, 100, 700, 3 * line);
    QString joined;
    int from = 0;
    for (int page = 0; from < text.size() && page < 100; ++page) {
        const int taken = canvas.DrawTextCount(box, text, from);
        ASSERT_GT(taken, 0);
        joined += text.mid(from, taken);
        from += taken;
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(canvas.DrawTextCount(box, text, int(text.size())), 0);

    // The same lines without drawing them: each within the width, as many as the slices drew.
    const QStringList lines = canvas.BreakLines(text, box.width());
    for (const QString& l : lines)
        EXPECT_LE(canvas.TextWidth(l), box.width()) << l.toStdString();
    EXPECT_EQ(canvas.DrawTextCount(QRect(100, 100, 700, int(lines.size()) * line), text, 0), text.size());
    EXPECT_LT(canvas.DrawTextCount(QRect(100, 100, 700, int(lines.size() - 1) * line), text, 0), text.size());

    // A box lower than one line takes nothing.
    EXPECT_EQ(canvas.DrawTextCount(QRect(100, 100, 700, line - 1), text, 0), 0);
    EXPECT_EQ(canvas.DrawTextCount(QRect(100, 100, 0, 10 * line), text, 0), 0);
    canvas.EndDoc();
}

TEST(PrinterCanvas, PrintsADiagramToPdf)
{
    QTemporaryDir dir;
    TDiagram d;
    d.SetClientSize(800, 500);
    d.NewWindward();
    d.FFileName = dir.filePath(QStringLiteral("Windward")).toStdString();

    const QString shortPath = dir.filePath(QStringLiteral("short.pdf"));
    {
        auto printer = pdfPrinter(shortPath);
        PrinterCanvas canvas(*printer);
        d.Print(canvas);
        EXPECT_EQ(printer->docName(), QStringLiteral("Windward"));
    }
    EXPECT_EQ(PdfFile(shortPath).pageCount(), 1);

    std::string comments;
    for (int i = 0; i < 400; ++i)
        comments += "Yellow, clear astern, keeps clear of Blue. " + std::string(i % 7 == 6 ? "\r\n" : "");
    d.FindOrAddText(gComments, true)->FText = comments;
    const QString longPath = dir.filePath(QStringLiteral("long.pdf"));
    {
        auto printer = pdfPrinter(longPath);
        PrinterCanvas canvas(*printer);
        d.Print(canvas);
    }
    const int pages = PdfFile(longPath).pageCount();
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 6);
}
