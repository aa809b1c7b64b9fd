#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "support/FakeHost.h"
#include "support/RecordingPrintCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace zov;
using zovtest::EditFixture;
using zovtest::RecordingPrintCanvas;
using Kind = RecordingPrintCanvas::Kind;

// The recording canvas is an A4 page at 300 DPI (2480 x 3508) whose text is 16 pixels a
// character and 39 high at 8 points, 25 and 60 at 12 points. The layout it gives:
// L = 39 x 4 / 3 = 52, M = 82, T = 248, B = 508, FH = 39, WD = 350, WR = 300, C2 = 1040,
// header rows at 274 + 52 k, picture at (82, 560), 2316 wide.

namespace {

const RecordingPrintCanvas::Op* textAt(const RecordingPrintCanvas::Page& page, const QString& text)
{
    return page.find(Kind::Text, text);
}

void expectTextAt(const RecordingPrintCanvas::Page& page, const QString& text, int x, int y, int size)
{
    SCOPED_TRACE(text.toStdString());
    const auto* op = textAt(page, text);
    ASSERT_NE(op, nullptr);
    EXPECT_EQ(op->rect.topLeft(), QPoint(x, y));
    EXPECT_EQ(op->fontSize, size);
}

// The characters the comments boxes took, page after page.
QString printedComments(const RecordingPrintCanvas& c)
{
    QString out;
    for (const auto& page : c.pages)
        for (const auto& op : page.ops)
            if (op.kind == Kind::Counted)
                out += op.text;
    return out;
}

// The picture drawn on PAGE, or none.
const RecordingPrintCanvas::Op* pictureOn(const RecordingPrintCanvas::Page& page)
{
    for (const auto& op : page.ops)
        if (op.kind == Kind::Picture)
            return &op;
    return nullptr;
}

bool hasPageNumber(const RecordingPrintCanvas::Page& page)
{
    for (const QString& t : page.texts())
        if (t.startsWith(QStringLiteral("Page ")))
            return true;
    return false;
}

struct PrintFixture : EditFixture {
    PrintFixture()
    {
        diagram.NewWindward();
        diagram.FFileName = "/home/sailor/races/Port tack";
        SetField(diagram.FHeader.Date, "12/05/2024");
        SetField(diagram.FHeader.Author, "Ann Sailor");
        SetField(diagram.FHeader.Rules, "10, 11");
        SetField(diagram.FHeader.Description, "Two boats meet at the windward mark");
        SetField(diagram.FEmail, "ann@example.org");
    }
    void setComments(const std::string& text) { diagram.FindOrAddText(gComments, true)->FText = text; }
    // About Paragraphs x 230 characters of sentences and line breaks.
    static std::string longText(int paragraphs)
    {
        std::string text;
        for (int p = 0; p < paragraphs; ++p) {
            for (int s = 0; s < 6; ++s)
                text += "Boat " + std::to_string(p) + " on port tack keeps clear. ";
            text += p % 5 == 4 ? "\r\n\r\n" : "\r\n";
        }
        return text;
    }
};

} // namespace

TEST(Print, OnePageWithHeaderPictureAndProductLine)
{
    PrintFixture f;
    f.diagram.FCentre = { 3000, 3000 };
    f.diagram.SetZoom(2.0f);
    const float zoom = f.diagram.FZoom;
    const TRect4 view = f.diagram.FView;
    RecordingPrintCanvas c;
    f.diagram.Print(c);

    EXPECT_EQ(c.title, "Port tack");
    EXPECT_EQ(c.ended, 1);
    ASSERT_EQ(c.pages.size(), 1u);
    const auto& page = c.pages[0];
    EXPECT_EQ(c.penWidth, 3);

    expectTextAt(page, "Date:", 132, 274, 12);
    expectTextAt(page, "12/05/2024", 482, 274, 12);
    expectTextAt(page, "Ref saved:", 1040, 274, 12);
    expectTextAt(page, "Port tack", 1340, 274, 12);
    expectTextAt(page, "Author:", 132, 326, 12);
    expectTextAt(page, "Ann Sailor", 482, 326, 12);
    expectTextAt(page, "Email:", 1040, 326, 12);
    expectTextAt(page, "ann@example.org", 1340, 326, 12);
    expectTextAt(page, "Situation:", 132, 378, 12);
    expectTextAt(page, "Windward mark", 482, 378, 12);
    expectTextAt(page, "Rules:", 1040, 378, 12);
    expectTextAt(page, "10, 11", 1340, 378, 12);
    expectTextAt(page, "Description:", 132, 430, 12);
    // The line pitch measured in this canvas's 8-point starting font leaves the description a
    // box (430 to 487) lower than one 12-point line: no line rather than one cut through.
    EXPECT_EQ(textAt(page, "Two boats meet at the windward mark"), nullptr);

    // Header frame, then the picture frame around the window-shaped picture (1000 x 1000).
    ASSERT_EQ(page.count(Kind::Frame), 2);
    EXPECT_EQ(page.ops[0].kind, Kind::Frame);
    EXPECT_EQ(page.ops[0].rect, QRect(QPoint(77, 243), QPoint(2402, 512)));
    const auto* picture = pictureOn(page);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->rect, QRect(82, 560, 2316, 2316));
    EXPECT_EQ(picture->pictureSize, QSize(2316, 2316));
    EXPECT_EQ(c.lastPicture.format(), QImage::Format_RGB32);

    expectTextAt(page, "Zovaran, version 2.6H", 82, 3469, 8);
    EXPECT_FALSE(hasPageNumber(page));
    EXPECT_EQ(c.fontSize, 8);

    // The window's own view is given back, in edit mode.
    EXPECT_EQ(f.diagram.FZoom, zoom);
    EXPECT_EQ(f.diagram.FView, view);
    EXPECT_EQ(f.diagram.FDisplayMode, dmEdit);
}

TEST(Print, HeaderFieldsStopAtTheirZeroOrTheirWidth)
{
    PrintFixture f;
    TDiagram& d = f.diagram;
    d.FFileName.clear();
    // Fields filled to the last byte, with no zero anywhere: nothing past a field is read.
    d.FHeader.Date.fill('D');
    d.FHeader.Author.fill('A');
    d.FHeader.Rules.fill('R');
    d.FHeader.Description.fill('S');
    d.FEmail.fill('E');
    d.FHeader.SituationType = 9;
    RecordingPrintCanvas c(6000, 8000); // a page wide enough for every field whole
    c.fontSize = 12; // as the printer's canvas starts: the description's box holds a line
    d.Print(c);

    EXPECT_EQ(c.title, "Zovaran"); // never saved
    const auto& page = c.pages.at(0);
    const auto texts = page.texts();
    auto after = [&](const QString& label) {
        const auto it = std::find(texts.begin(), texts.end(), label);
        return it != texts.end() && it + 1 != texts.end() ? *(it + 1) : QStringLiteral("<missing>");
    };
    EXPECT_EQ(after("Date:"), QString(15, 'D'));
    EXPECT_EQ(after("Ref saved:"), QString());
    EXPECT_EQ(after("Author:"), QString(50, 'A'));
    EXPECT_EQ(after("Email:"), QString(81, 'E'));
    EXPECT_EQ(after("Situation:"), QString());
    EXPECT_EQ(after("Rules:"), QString(20, 'R'));
    EXPECT_EQ(after("Description:"), QString(80, 'S'));

    d.FHeader.SituationType = 0;
    d.FHeader.Rules.fill(0);
    RecordingPrintCanvas c0;
    d.Print(c0);
    const auto texts0 = c0.pages.at(0).texts();
    const auto it = std::find(texts0.begin(), texts0.end(), QStringLiteral("Situation:"));
    ASSERT_NE(it, texts0.end());
    EXPECT_EQ(*(it + 1), QString());
}

TEST(Print, HeaderColumnsNeverOverlapWhateverTheValues)
{
    PrintFixture f;
    TDiagram& d = f.diagram;
    d.FFileName = "/races/" + std::string(120, 'F');
    d.FHeader.Date.fill('D');
    d.FHeader.Author.fill('A');
    d.FHeader.Rules.fill('R');
    d.FEmail.fill('E');
    d.FHeader.SituationType = stFinishingLine;
    // A4 at the resolution of a PDF, and at a coarse one.
    for (const int dpi : { 300, 150 }) {
        SCOPED_TRACE(dpi);
        RecordingPrintCanvas c(2480 * dpi / 300, 3508 * dpi / 300, dpi);
        c.fontSize = 12; // as the printer's canvas starts
        d.Print(c);
        const auto& page = c.pages.at(0);
        const QRect header = page.ops.at(0).rect;
        std::vector<const RecordingPrintCanvas::Op*> texts;
        for (const auto& op : page.ops)
            if (op.kind == Kind::Text && op.rect.y() < header.bottom() && !op.text.isEmpty())
                texts.push_back(&op);
        ASSERT_EQ(texts.size(), 14u); // labels, values and the description's line
        for (std::size_t i = 0; i < texts.size(); ++i) {
            SCOPED_TRACE(texts[i]->text.toStdString());
            EXPECT_TRUE(header.contains(texts[i]->textBox()));
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                EXPECT_FALSE(texts[i]->textBox().intersects(texts[j]->textBox())) << texts[j]->text.toStdString();
        }
        // A value too long for its column is its beginning and an ellipsis.
        const std::pair<QString, QString> values[] = { { "Date:", QString(15, 'D') },
            { "Ref saved:", QString(120, 'F') }, { "Author:", QString(50, 'A') }, { "Email:", QString(81, 'E') },
            { "Situation:", "Finishing line" }, { "Rules:", QString(20, 'R') },
            { "Description:", "Two boats meet at the windward mark" } };
        for (const auto& [label, whole] : values) {
            const auto it = std::find_if(texts.begin(), texts.end(), [&](const auto* t) { return t->text == label; });
            ASSERT_TRUE(it != texts.end() && it + 1 != texts.end()) << label.toStdString();
            const QString printed = (*(it + 1))->text;
            EXPECT_TRUE(printed == whole
                || (printed.size() > 3 && printed.endsWith(QChar(0x2026)) && whole.startsWith(printed.chopped(1))))
                << label.toStdString() << " " << printed.toStdString();
        }
        EXPECT_NE(std::count_if(texts.begin(), texts.end(), [](const auto* t) { return t->text.endsWith(QChar(0x2026)); }), 0);
    }
}

TEST(Print, CommentsGoOnOverPagesWithFootersAndNumbers)
{
    PrintFixture f;
    // A text that fits the box under the picture prints no page number.
    f.setComments("Yellow had room.\r\nBlue kept clear.");
    RecordingPrintCanvas shortDoc;
    f.diagram.Print(shortDoc);
    ASSERT_EQ(shortDoc.pages.size(), 1u);
    EXPECT_EQ(printedComments(shortDoc), "Yellow had room.\r\nBlue kept clear.");
    EXPECT_FALSE(hasPageNumber(shortDoc.pages[0]));
    EXPECT_EQ(shortDoc.pages[0].count(Kind::Frame), 3);

    const std::string text = PrintFixture::longText(200);
    f.setComments(text);
    RecordingPrintCanvas c;
    f.diagram.Print(c);
    ASSERT_GE(c.pages.size(), 3u);
    ASSERT_LT(c.pages.size(), 20u);
    // Every character once, in order: each page goes on from the first one the last did not take.
    EXPECT_EQ(printedComments(c), QString::fromStdString(text));
    EXPECT_EQ(c.ended, 1);

    // Page 1: the comments box under the picture (bottom at 2876), "Page 1" centred.
    const auto& first = c.pages[0];
    EXPECT_EQ(first.count(Kind::Frame), 3);
    expectTextAt(first, "Page 1", 82 + (2480 - 6 * 16) / 2, 3469, 8);
    expectTextAt(first, "Zovaran, version 2.6H", 82, 3469, 8);

    for (std::size_t i = 1; i < c.pages.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& page = c.pages[i];
        ASSERT_EQ(page.count(Kind::Frame), 1);
        EXPECT_EQ(page.ops[0].rect, QRect(QPoint(77, 243), QPoint(2402, 3429)));
        ASSERT_EQ(page.count(Kind::Counted), 1);
        const QString number = QStringLiteral("Page ") + QString::number(i + 1);
        expectTextAt(page, "Port tack", 82, 3469, 8);
        expectTextAt(page, number, 82 + (2480 - int(number.size()) * 16) / 2, 3469, 8);
        expectTextAt(page, "12/05/2024", 2480 - 82 - 10 * 16, 3469, 8);
        EXPECT_EQ(textAt(page, "Zovaran, version 2.6H"), nullptr);
    }
}

TEST(Print, NeverLoopsOverPagesNorDropsTheComments)
{
    // One word of 5000 characters is broken inside the word, page after page.
    {
        PrintFixture f;
        const std::string word(5000, 'w');
        f.setComments(word);
        RecordingPrintCanvas c;
        f.diagram.Print(c);
        EXPECT_EQ(printedComments(c), QString::fromStdString(word));
        EXPECT_LT(c.pages.size(), 10u);
    }
    // A tall, narrow window: the picture stops above the footer and the comments begin on page 2.
    {
        PrintFixture f;
        f.diagram.SetClientSize(200, 1500);
        const std::string text = PrintFixture::longText(40);
        f.setComments(text);
        RecordingPrintCanvas c;
        f.diagram.Print(c);
        const auto& first = c.pages.at(0);
        const auto* picture = pictureOn(first);
        ASSERT_NE(picture, nullptr);
        EXPECT_LE(picture->rect.bottom() + 5, 3508 - 2 * 39);
        EXPECT_EQ(first.count(Kind::Counted), 0);
        EXPECT_NE(textAt(first, "Page 1"), nullptr);
        ASSERT_GE(c.pages.size(), 2u);
        EXPECT_EQ(printedComments(c), QString::fromStdString(text));
    }
    // A diagram without a window size keeps its zone's proportions.
    {
        PrintFixture f;
        f.diagram.SetClientSize(0, 0);
        f.setComments("Short.");
        RecordingPrintCanvas c;
        ASSERT_NO_THROW(f.diagram.Print(c));
        const auto* picture = pictureOn(c.pages.at(0));
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->rect.height(), 2316 * f.diagram.FZone.h / f.diagram.FZone.w);
        EXPECT_EQ(printedComments(c), "Short.");
    }
    // A page on which not one line fits ends the document with the rest clipped on it.
    for (int refused : { 1, 2 }) {
        SCOPED_TRACE(refused);
        PrintFixture f;
        const std::string text = PrintFixture::longText(100);
        f.setComments(text);
        RecordingPrintCanvas c;
        c.refuseCall = refused;
        f.diagram.Print(c);
        ASSERT_EQ(c.pages.size(), std::size_t(refused));
        const auto& last = c.pages.back();
        ASSERT_EQ(last.count(Kind::Wrapped), 1);
        QString rest;
        for (const auto& op : last.ops)
            if (op.kind == Kind::Wrapped)
                rest = op.text; // the last one
        EXPECT_EQ(printedComments(c) + rest, QString::fromStdString(text));
        EXPECT_EQ(c.ended, 1);
    }
}

TEST(Print, AnErrorStillEndsTheDocument)
{
    PrintFixture f;
    f.diagram.SetZoom(1.5f);
    const TRect4 view = f.diagram.FView;
    RecordingPrintCanvas c;
    c.throwOnPicture = true;
    EXPECT_THROW(f.diagram.Print(c), std::runtime_error);
    EXPECT_EQ(c.ended, 1);
    EXPECT_EQ(c.pages.size(), 1u);
    EXPECT_NE(textAt(c.pages[0], "Date:"), nullptr); // what was printed before stays
    EXPECT_EQ(f.diagram.FView, view);
}

TEST(Print, PictureOfAHugePageStaysABoundedSize)
{
    PrintFixture f;
    RecordingPrintCanvas c(12000, 16000, 1200);
    f.diagram.Print(c);
    const auto* picture = pictureOn(c.pages.at(0));
    ASSERT_NE(picture, nullptr);
    const int width = 12000 - 2 * 400;
    EXPECT_EQ(picture->rect.topLeft().x(), 400);
    EXPECT_EQ(picture->rect.width(), width);
    EXPECT_LE(std::int64_t(picture->pictureSize.width()) * picture->pictureSize.height(), 16 * 1024 * 1024);
    EXPECT_GT(picture->pictureSize.width(), 4000);
}
