#include "diagram/Diagram.h"

#include "diagram/PrintCanvas.h"
#include "model/Objet.h"
#include "plat/gfx/Bitmap.h"
#include "plat/rt/Cp1252.h"
#include "plat/sys/ProgramInfo.h"
#include "plat/sys/Trace.h"

#include <algorithm>
#include <cmath>

// The printed diagram: a framed header block with the diagram's characteristics, the picture at
// printer resolution, the product line, and the Comments text in a framed box that goes on over
// as many further pages as it needs. All lengths are printer pixels.

namespace zov {

namespace {

const QString& ProductName = ProgramTitle;
const QString ProductLine = ProgramTitle + QStringLiteral(", version ") + VersionLabel;

// A page-wide picture at printer resolution is held twice (with alpha, then over black) before
// it reaches the printer; past this size it is rendered smaller and stretched onto the page.
constexpr std::int64_t MaxPicturePixels = std::int64_t(16) * 1024 * 1024;

// The file name without its folder; the name may come from either kind of path.
QString FileNameOnly(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/\\");
    return QString::fromStdString(cut == std::string::npos ? path : path.substr(cut + 1));
}

QString SituationText(std::int16_t type)
{
    switch (type) {
    case stStartingArea:
        return QStringLiteral("Starting area");
    case stFinishingLine:
        return QStringLiteral("Finishing line");
    case stWindwardMark:
        return QStringLiteral("Windward mark");
    case stLeewardMark:
        return QStringLiteral("Leeward mark");
    case stBeat:
        return QStringLiteral("Beat");
    case stRun:
        return QStringLiteral("Run");
    case stGate:
        return QStringLiteral("Gate");
    default:
        return {};
    }
}

// A header field as text: up to its zero byte, never past its width.
template <std::size_t N> QString Field(const std::array<char, N>& field)
{
    return rt::FromCp1252(FieldText(field));
}

// The rectangle from (x1, y1) to (x2, y2), right and bottom edges excluded.
QRect Box(int x1, int y1, int x2, int y2)
{
    return QRect(x1, y1, std::max(0, x2 - x1), std::max(0, y2 - y1));
}

class DocumentPrinter {
public:
    DocumentPrinter(TDiagram& diagram, PrintCanvas& canvas, QString fileName)
        : d(diagram)
        , c(canvas)
        , fileName(std::move(fileName))
    {
    }

    void Run()
    {
        pw = c.PageWidth();
        ph = c.PageHeight();
        // The line pitch is measured in whatever font the canvas holds before any size is set.
        l = c.TextHeight(QStringLiteral("Description:")) * 4 / 3;
        m = pw / 30;
        t = pw / 10;
        b = t + 5 * l;
        c.SetFontSize(8);
        fh = c.TextHeight(ProductLine);

        c.SetPenWidth(3);
        c.Frame(m - 5, t - 5, pw - m + 5, b + 5);
        Header();
        const int pictureBottom = Picture();
        c.SetFontSize(8);
        c.TextOut(m, ph - fh, ProductLine);
        Comments(pictureBottom);
    }

private:
    int Row(int k) const { return t + l / 2 + k * l; }

    void Header()
    {
        c.SetFontSize(12);
        const int wd = c.TextWidth(QStringLiteral("Description:  "));
        const int wr = c.TextWidth(QStringLiteral("Ref saved:  "));
        const int gap = c.TextWidth(QStringLiteral("  "));
        const int x = m + 50;
        const int c2 = pw / 2 - 200;
        // Every value is cut to the room its column leaves: the columns never overlap.
        const int firstRoom = c2 - gap - (x + wd);
        const int secondRoom = pw - m - 40 - (c2 + wr);
        const TDiagramHeader& h = d.FHeader;

        c.TextOut(x, Row(0), QStringLiteral("Date:"));
        c.TextOut(x + wd, Row(0), Fit(Field(h.Date), firstRoom));
        c.TextOut(c2, Row(0), QStringLiteral("Ref saved:"));
        c.TextOut(c2 + wr, Row(0), Fit(fileName, secondRoom));

        c.TextOut(x, Row(1), QStringLiteral("Author:"));
        c.TextOut(x + wd, Row(1), Fit(Field(h.Author), firstRoom));
        c.TextOut(c2, Row(1), QStringLiteral("Email:"));
        c.TextOut(c2 + wr, Row(1), Fit(Field(d.FEmail), secondRoom));

        c.TextOut(x, Row(2), QStringLiteral("Situation:"));
        c.TextOut(x + wd, Row(2), Fit(SituationText(h.SituationType), firstRoom));
        c.TextOut(c2, Row(2), QStringLiteral("Rules:"));
        c.TextOut(c2 + wr, Row(2), Fit(Field(h.Rules), secondRoom));

        c.TextOut(x, Row(3), QStringLiteral("Description:"));
        Description(Box(x + wd, Row(3), pw - m - 40, b - 20), Field(h.Description));
    }

    // The description in BOX, whole lines only: a line cut through its letters cannot be read.
    // When lines are left out, the last one printed ends with an ellipsis.
    void Description(const QRect& box, const QString& text)
    {
        const int pitch = c.TextHeight(text);
        QStringList lines = c.BreakLines(text, box.width());
        while (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        const qsizetype room = pitch > 0 ? box.height() / pitch : 0;
        if (lines.size() > room) {
            lines.resize(room);
            if (!lines.isEmpty())
                lines.back() = Fit(lines.back(), box.width(), true);
        }
        for (qsizetype i = 0; i < lines.size(); ++i)
            c.TextOut(box.x(), box.y() + int(i) * pitch, lines[i]);
    }

    // TEXT as it is printed in ROOM pixels: whole when it fits, else cut and ended with an
    // ellipsis; ended with one in any case when TEXT is followed by more that is left out.
    QString Fit(const QString& text, int room, bool more = false)
    {
        if (!more && c.TextWidth(text) <= room)
            return text;
        const QString ellipsis(QChar(0x2026));
        for (qsizetype n = more ? text.size() : text.size() - 1; n > 0; --n) {
            if (text[n - 1].isHighSurrogate())
                continue;
            QString cut = text.left(n);
            while (!cut.isEmpty() && cut.back().isSpace())
                cut.chop(1);
            cut += ellipsis;
            if (c.TextWidth(cut) <= room)
                return cut;
        }
        return c.TextWidth(ellipsis) <= room ? ellipsis : QString();
    }

    // Draws the framed picture; returns its bottom edge.
    int Picture()
    {
        const int top = b + l;
        const int width = pw - 2 * m;
        // The picture keeps the window's proportions; a diagram without a window keeps its zone's.
        std::int64_t cw = d.ClientWidth(), ch = d.ClientHeight();
        if (cw <= 0 || ch <= 0) {
            cw = std::max(1, d.FZone.w);
            ch = std::max(1, d.FZone.h);
        }
        std::int64_t height = ch * width / cw;
        // A tall window must not push the picture past the footer: the comments would vanish.
        height = std::min<std::int64_t>(height, ph - 2 * fh - 5 - top);
        if (width <= 0 || height <= 0)
            return top;

        c.Frame(m - 5, top - 5, pw - m + 5, top + int(height) + 5);
        std::int64_t rw = width, rh = height;
        if (rw * rh > MaxPicturePixels) {
            const double scale = std::sqrt(double(MaxPicturePixels) / double(rw * rh));
            rw = std::max<std::int64_t>(1, std::int64_t(double(rw) * scale));
            rh = std::max<std::int64_t>(1, std::int64_t(double(rh) * scale));
        }
        std::unique_ptr<gfx::Bitmap> opaque;
        {
            const std::unique_ptr<gfx::Bitmap> picture = d.RenderToBitmap(std::int32_t(rw), std::int32_t(rh));
            opaque = picture->overBlack();
        }
        c.DrawPicture(opaque->image(), QRect(m, top, width, int(height)));
        return top + int(height);
    }

    void PageNumber(int page)
    {
        const QString text = QStringLiteral("Page ") + QString::number(page);
        c.TextOut(m + (pw - c.TextWidth(text)) / 2, ph - fh, text);
    }

    void Comments(int pictureBottom)
    {
        const TGenText* comments = d.FindOrAddText(gComments, false);
        if (!comments)
            return;
        const QString text = rt::FromCp1252(comments->FText);
        const int length = int(text.size());
        const int bottom = ph - 2 * fh;

        c.SetFontSize(12);
        const int lineHeight = c.TextHeight(QStringLiteral("Description:"));
        const int top = pictureBottom + l;
        const QRect first = Box(m + 50, top + l / 2, pw - m - 50, bottom - l / 4);
        int from = 0;
        // Less than one line below the picture: the comments begin on the next page.
        if (first.height() >= lineHeight) {
            c.Frame(m - 5, top - 5, pw - m + 5, bottom);
            const int taken = c.DrawTextCount(first, text, 0);
            if (taken <= 0 && length > 0) {
                // Not a line fits: what can be seen of the text is better than a page loop.
                c.DrawTextWrapped(first, text);
                return;
            }
            from = std::clamp(taken, 0, length);
        }
        if (from >= length)
            return;

        c.SetFontSize(8);
        PageNumber(1);
        for (int page = 2; from < length; ++page) {
            c.NewPage();
            c.SetFontSize(12);
            c.Frame(m - 5, t - 5, pw - m + 5, bottom);
            const QRect box = Box(m + 50, t + l / 2, pw - m - 50, bottom - 10);
            const int taken = c.DrawTextCount(box, text, from);
            // A page that takes nothing would be followed by the same page for ever: the rest
            // goes on this one, clipped, and the document ends.
            if (taken <= 0)
                c.DrawTextWrapped(box, text.mid(from));
            c.SetFontSize(8);
            c.TextOut(m, ph - fh, fileName);
            PageNumber(page);
            const QString date = Field(d.FHeader.Date);
            c.TextOut(pw - m - c.TextWidth(date), ph - fh, date);
            if (taken <= 0)
                break;
            from += std::min(taken, length - from);
        }
    }

    TDiagram& d;
    PrintCanvas& c;
    const QString fileName;
    int pw = 0, ph = 0, l = 0, m = 0, t = 0, b = 0, fh = 0;
};

} // namespace

void TDiagram::Print(PrintCanvas& canvas)
{
    Trace("Printing...");
    const QString fileName = FileNameOnly(FFileName);
    canvas.BeginDoc(fileName.isEmpty() ? ProductName : fileName);
    try {
        DocumentPrinter(*this, canvas, fileName).Run();
    } catch (...) {
        // The document ends with what was printed; the error that stopped it is the one to report.
        try {
            canvas.EndDoc();
        } catch (...) {
        }
        throw;
    }
    canvas.EndDoc();
    Trace("Printed");
}

} // namespace zov
