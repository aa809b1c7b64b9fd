#pragma once
// A printer for tests: every page keeps what was drawn on it, in order. Text is measured in a
// fixed pitch (a character is half the font's pixel size wide, a line 1.2 times it high) so
// layouts are exact numbers, and the line breaking follows the rules of the real canvas.
// In front of a real canvas (Inner) it hands every call on and takes the page, the resolution
// and every measure from it, so it records what the real printer got.

#include "diagram/PrintCanvas.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace zovtest {

class RecordingPrintCanvas : public zov::PrintCanvas {
public:
    enum class Kind { Frame, Text, Wrapped, Counted, Picture };
    struct Op {
        Kind kind;
        QRect rect; // frame, text box or picture place; a text's top-left corner with no size
        QString text;
        int fontSize;
        QSize pictureSize;
        QSize textSize = {}; // a text line's width and height as the canvas measured them
        // A text line's box on the page.
        QRect textBox() const { return QRect(rect.topLeft(), textSize); }
    };
    struct Page {
        std::vector<Op> ops;
        // The texts drawn on the page, in order.
        std::vector<QString> texts() const
        {
            std::vector<QString> out;
            for (const Op& op : ops)
                if (op.kind == Kind::Text || op.kind == Kind::Wrapped || op.kind == Kind::Counted)
                    out.push_back(op.text);
            return out;
        }
        const Op* find(Kind kind, const QString& text) const
        {
            for (const Op& op : ops)
                if (op.kind == kind && op.text == text)
                    return &op;
            return nullptr;
        }
        int count(Kind kind) const
        {
            int n = 0;
            for (const Op& op : ops)
                n += op.kind == kind;
            return n;
        }
    };

    RecordingPrintCanvas(int width = 2480, int height = 3508, int dpi = 300)
        : width(width)
        , height(height)
        , dpi(dpi)
    {
    }

    void BeginDoc(const QString& t) override
    {
        if (inner)
            inner->BeginDoc(t);
        title = t;
        began = true;
        pages.emplace_back();
    }
    void EndDoc() override
    {
        if (inner)
            inner->EndDoc();
        ++ended;
    }
    void NewPage() override
    {
        if (inner)
            inner->NewPage();
        pages.emplace_back();
    }
    int PageWidth() const override { return inner ? inner->PageWidth() : width; }
    int PageHeight() const override { return inner ? inner->PageHeight() : height; }
    int Resolution() const override { return inner ? inner->Resolution() : dpi; }
    void SetFontSize(int points) override
    {
        if (inner)
            inner->SetFontSize(points);
        fontSize = points;
    }
    int FontSize() const override { return inner ? inner->FontSize() : fontSize; }
    void SetPenWidth(int w) override
    {
        if (inner)
            inner->SetPenWidth(w);
        penWidth = w;
    }
    void Frame(int x1, int y1, int x2, int y2) override
    {
        if (inner)
            inner->Frame(x1, y1, x2, y2);
        add({ Kind::Frame, QRect(x1, y1, x2 - x1, y2 - y1), {}, FontSize(), {} });
    }
    void TextOut(int x, int y, const QString& text) override
    {
        if (inner)
            inner->TextOut(x, y, text);
        add({ Kind::Text, QRect(x, y, 0, 0), text, FontSize(), {}, QSize(TextWidth(text), TextHeight(text)) });
    }
    int TextWidth(const QString& text) override { return inner ? inner->TextWidth(text) : int(text.size()) * CharWidth(); }
    int TextHeight(const QString& text) override { return inner ? inner->TextHeight(text) : LineHeight(); }
    void DrawTextWrapped(const QRect& rect, const QString& text) override
    {
        if (inner)
            inner->DrawTextWrapped(rect, text);
        add({ Kind::Wrapped, rect, text, FontSize(), {} });
    }
    // Greedy fixed-pitch breaking: whole lines only, blanks at a break and line breaks taken.
    int DrawTextCount(const QRect& rect, const QString& text, int from) override
    {
        const int taken = ++countCalls == refuseCall ? 0 : inner ? inner->DrawTextCount(rect, text, from) : Fit(rect, text, from);
        if (taken > 0)
            add({ Kind::Counted, rect, text.mid(from, taken), FontSize(), {} });
        return taken;
    }
    // Fixed pitch: a paragraph (ended by LF or CR LF) cut every line's worth of characters.
    QStringList BreakLines(const QString& text, int width) override
    {
        if (inner)
            return inner->BreakLines(text, width);
        QStringList lines;
        const int perLine = width / CharWidth();
        for (const QString& paragraph : QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n'))
            for (qsizetype at = 0; perLine > 0 && (at == 0 || at < paragraph.size()); at += perLine)
                lines << paragraph.mid(at, perLine);
        return lines;
    }
    void DrawPicture(const QImage& picture, const QRect& dest) override
    {
        if (throwOnPicture)
            throw std::runtime_error("no picture");
        if (inner)
            inner->DrawPicture(picture, dest);
        add({ Kind::Picture, dest, {}, FontSize(), picture.size() });
        lastPicture = picture;
    }

    int CharWidth() const { return fontSize * dpi / 72 / 2; }
    int LineHeight() const { return fontSize * dpi / 72 * 6 / 5; }

    int width, height, dpi;
    int fontSize = 8;
    int penWidth = 1;
    QString title;
    bool began = false;
    int ended = 0;
    std::vector<Page> pages;
    QImage lastPicture;
    int countCalls = 0;
    // Faults to inject: the call of DrawTextCount (1 = the first) that takes nothing, however
    // much room it gets, and a picture that cannot be drawn.
    int refuseCall = 0;
    bool throwOnPicture = false;
    // The real canvas behind this one, not owned; none for the fixed-pitch page above.
    zov::PrintCanvas* inner = nullptr;

private:
    void add(Op op)
    {
        if (pages.empty())
            throw std::logic_error("drawing before the document began");
        pages.back().ops.push_back(std::move(op));
    }

    int Fit(const QRect& rect, const QString& text, int from) const
    {
        const int n = int(text.size());
        const int perLine = rect.width() / CharWidth();
        const int lines = rect.height() / LineHeight();
        if (from >= n || perLine <= 0 || lines <= 0)
            return 0;
        int pos = from;
        for (int line = 0; line < lines && pos < n; ++line) {
            int end = pos;
            while (end < n && text[end] != u'\r' && text[end] != u'\n')
                ++end;
            if (end - pos <= perLine) {
                pos = end;
                if (pos < n)
                    pos += text[pos] == u'\r' && pos + 1 < n && text[pos + 1] == u'\n' ? 2 : 1;
                continue;
            }
            // Break at the last blank that leaves the line within its width, else inside the word.
            int cut = pos + perLine;
            int blank = cut;
            while (blank > pos && text[blank] != u' ')
                --blank;
            if (blank > pos)
                cut = blank;
            while (cut < end && text[cut] == u' ')
                ++cut;
            pos = cut;
        }
        return pos - from;
    }
};

} // namespace zovtest
