#pragma once
// What printing a diagram needs of a printer: a document of pages measured in printer pixels,
// black frames, text in point sizes, and pictures. The diagram prints against this interface so
// that it stays free of any printing library; the window layer supplies the real printer and the
// tests a recording one. Header only: the window layer implements it without linking the diagram.

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

namespace zov {

class PrintCanvas {
public:
    virtual ~PrintCanvas() = default;

    // Starts the document under the job title TITLE; raises rt::IoError when the printer refuses.
    virtual void BeginDoc(const QString& title) = 0;
    // Ends the document with what has been drawn so far (also after an error).
    virtual void EndDoc() = 0;
    // Ends the current page and starts the next one; raises rt::IoError when the printer refuses.
    virtual void NewPage() = 0;

    // The printable page in printer pixels, its origin at the printable area's top-left corner.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // Printer pixels per inch.
    virtual int Resolution() const = 0;

    // The size of the text drawn and measured next, in points (it scales with the resolution).
    virtual void SetFontSize(int points) = 0;
    virtual int FontSize() const = 0;
    // Width in printer pixels of the black pen that draws frames.
    virtual void SetPenWidth(int width) = 0;

    // The outline of the rectangle from (x1, y1) to (x2, y2).
    virtual void Frame(int x1, int y1, int x2, int y2) = 0;
    // One line of TEXT with its top-left corner at (x, y).
    virtual void TextOut(int x, int y, const QString& text) = 0;
    // Size of one line of TEXT in the current font, in printer pixels.
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;
    // TEXT broken at word boundaries inside RECT and clipped to it.
    virtual void DrawTextWrapped(const QRect& rect, const QString& text) = 0;
    // As many whole lines of TEXT, starting at character FROM, as fit inside RECT: paragraphs end
    // at CR, LF or CR LF, lines break at word boundaries and inside words too long for a line.
    // Returns how many characters the lines took, counting the blanks and line breaks they
    // consumed, so the next call can go on at FROM plus that count; 0 when not one line fits.
    virtual int DrawTextCount(const QRect& rect, const QString& text, int from) = 0;
    // TEXT broken into the lines DrawTextCount draws in a box WIDTH pixels wide, in the current
    // font, and not drawn: one line or more a paragraph, without the blanks at their breaks.
    virtual QStringList BreakLines(const QString& text, int width) = 0;
    // PICTURE into DEST, pixel for pixel when the sizes agree.
    virtual void DrawPicture(const QImage& picture, const QRect& dest) = 0;
};

} // namespace zov
