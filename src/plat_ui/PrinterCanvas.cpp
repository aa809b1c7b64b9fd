#include "plat_ui/PrinterCanvas.h"

#include "plat/rt/Errors.h"

#include <QFontMetrics>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>

#include <vector>

namespace zov::ui {

namespace {

// Lines break at word boundaries, and inside a word too long for a line.
QTextOption Wrapping()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// Where the paragraph of TEXT that starts at POS ends, and in BREAKLENGTH how many characters
// end it there: CR LF, CR or LF, none at the end of the text.
int ParagraphEnd(const QString& text, int pos, int& breakLength)
{
    const int length = int(text.size());
    int end = pos;
    while (end < length && text[end] != u'\r' && text[end] != u'\n')
        ++end;
    breakLength = 0;
    if (end < length)
        breakLength = text[end] == u'\r' && end + 1 < length && text[end + 1] == u'\n' ? 2 : 1;
    return end;
}

} // namespace

PrinterCanvas::PrinterCanvas(QPrinter& printer)
    : m_printer(printer)
    , m_font(QStringLiteral("Arial"))
{
    // A PDF printer composes pages at 1200 DPI: a page-wide picture would take hundreds of MB.
    const int cap = printer.outputFormat() == QPrinter::PdfFormat ? MaxPdfResolution : MaxResolution;
    if (printer.resolution() > cap)
        printer.setResolution(cap);
    m_font.setPointSize(12);
}

PrinterCanvas::~PrinterCanvas()
{
    if (m_painter.isActive())
        m_painter.end();
}

void PrinterCanvas::BeginDoc(const QString& title)
{
    m_printer.setDocName(title);
    if (!m_painter.begin(&m_printer))
        throw rt::IoError("The printer could not start the document");
}

void PrinterCanvas::EndDoc()
{
    if (m_painter.isActive())
        m_painter.end();
}

void PrinterCanvas::NewPage()
{
    if (!m_printer.newPage())
        throw rt::IoError("The printer could not start a new page");
}

int PrinterCanvas::PageWidth() const { return m_printer.width(); }

int PrinterCanvas::PageHeight() const { return m_printer.height(); }

int PrinterCanvas::Resolution() const { return m_printer.resolution(); }

void PrinterCanvas::SetFontSize(int points) { m_font.setPointSize(points > 0 ? points : 1); }

void PrinterCanvas::Frame(int x1, int y1, int x2, int y2)
{
    if (!m_painter.isActive())
        return;
    m_painter.setPen(QPen(Qt::black, m_penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(QRectF(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void PrinterCanvas::TextOut(int x, int y, const QString& text)
{
    if (!m_painter.isActive())
        return;
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(x, y + QFontMetrics(m_font, &m_printer).ascent()), text);
}

int PrinterCanvas::TextWidth(const QString& text)
{
    return QFontMetrics(m_font, &m_printer).horizontalAdvance(text);
}

int PrinterCanvas::TextHeight(const QString&)
{
    // A line's height is the font's, whatever the text.
    return QFontMetrics(m_font, &m_printer).height();
}

void PrinterCanvas::DrawTextWrapped(const QRect& rect, const QString& text)
{
    if (!m_painter.isActive() || rect.isEmpty())
        return;
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

int PrinterCanvas::DrawTextCount(const QRect& rect, const QString& text, int from)
{
    const int length = int(text.size());
    if (from < 0)
        from = 0;
    if (from >= length || rect.width() <= 0 || rect.height() <= 0)
        return 0;

    const QTextOption option = Wrapping();
    const qreal bottom = rect.y() + rect.height();
    qreal y = rect.y();
    int pos = from;
    // Every paragraph laid out is kept until it is drawn: its lines refer to it.
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    struct Placed {
        QTextLayout* layout;
        int line;
    };
    std::vector<Placed> placed;

    while (pos < length) {
        int breakLength = 0;
        const int end = ParagraphEnd(text, pos, breakLength);
        auto layout = std::make_unique<QTextLayout>(text.mid(pos, end - pos), m_font, &m_printer);
        layout->setTextOption(option);
        layout->beginLayout();
        int taken = 0;
        bool whole = true;
        for (;;) {
            QTextLine line = layout->createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(rect.width());
            if (y + line.height() > bottom) {
                whole = false;
                break;
            }
            line.setPosition(QPointF(0, y - rect.y()));
            y += line.height();
            taken = line.textStart() + line.textLength();
            placed.push_back({ layout.get(), line.lineNumber() });
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
        if (!whole) {
            pos += taken;
            break;
        }
        pos = end + breakLength;
    }

    if (m_painter.isActive() && !placed.empty()) {
        m_painter.save();
        m_painter.setClipRect(rect);
        m_painter.setPen(Qt::black);
        for (const Placed& p : placed)
            p.layout->lineAt(p.line).draw(&m_painter, QPointF(rect.x(), rect.y()));
        m_painter.restore();
    }
    return pos - from;
}

QStringList PrinterCanvas::BreakLines(const QString& text, int width)
{
    QStringList lines;
    if (width <= 0)
        return lines;
    const QTextOption option = Wrapping();
    for (int pos = 0; pos < int(text.size());) {
        int breakLength = 0;
        const int end = ParagraphEnd(text, pos, breakLength);
        const QString paragraph = text.mid(pos, end - pos);
        QTextLayout layout(paragraph, m_font, &m_printer);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString shown = paragraph.mid(line.textStart(), line.textLength());
            while (!shown.isEmpty() && shown.back().isSpace())
                shown.chop(1);
            lines << shown;
        }
        layout.endLayout();
        pos = end + breakLength;
    }
    return lines;
}

void PrinterCanvas::DrawPicture(const QImage& picture, const QRect& dest)
{
    if (!m_painter.isActive() || picture.isNull())
        return;
    m_painter.save();
    m_painter.resetTransform();
    if (picture.size() == dest.size())
        m_painter.drawImage(dest.topLeft(), picture);
    else
        m_painter.drawImage(dest, picture);
    m_painter.restore();
}

} // namespace zov::ui
