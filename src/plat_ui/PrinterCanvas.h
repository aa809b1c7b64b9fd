#pragma once
// The diagram's printing canvas on a real printer (or a PDF file) through QPrinter. The printer
// is the caller's, chosen in the print dialog; its resolution is capped so that a page-wide
// picture at printer resolution stays a reasonable size in memory.

#include "diagram/PrintCanvas.h"

#include <QFont>
#include <QPainter>

class QPrinter;

namespace zov::ui {

class PrinterCanvas : public PrintCanvas {
public:
    // Highest resolution a page is composed at, in dots per inch: printers, and PDF files.
    static constexpr int MaxResolution = 600;
    static constexpr int MaxPdfResolution = 300;

    // Draws on PRINTER (not owned) and lowers its resolution to the cap. The font starts as
    // 12-point Arial, the size of the header's texts: the header's line pitch is measured in the
    // font a canvas starts with, and a smaller one would set its rows on top of each other.
    explicit PrinterCanvas(QPrinter& printer);
    // Ends a document still open.
    ~PrinterCanvas() override;

    PrinterCanvas(const PrinterCanvas&) = delete;
    PrinterCanvas& operator=(const PrinterCanvas&) = delete;

    void BeginDoc(const QString& title) override;
    void EndDoc() override;
    void NewPage() override;
    int PageWidth() const override;
    int PageHeight() const override;
    int Resolution() const override;
    void SetFontSize(int points) override;
    int FontSize() const override { return m_font.pointSize(); }
    void SetPenWidth(int width) override { m_penWidth = width; }
    void Frame(int x1, int y1, int x2, int y2) override;
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;
    void DrawTextWrapped(const QRect& rect, const QString& text) override;
    int DrawTextCount(const QRect& rect, const QString& text, int from) override;
    QStringList BreakLines(const QString& text, int width) override;
    void DrawPicture(const QImage& picture, const QRect& dest) override;

private:
    QPrinter& m_printer;
    QPainter m_painter;
    QFont m_font;
    int m_penWidth = 1;
};

} // namespace zov::ui
