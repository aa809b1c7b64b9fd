#pragma once
// What a test can read of a PDF file without a PDF library: its pages, their sizes and the
// pictures it holds (their dictionaries are plain text even when their data is compressed).

#include <QFile>
#include <QRegularExpression>
#include <QSize>
#include <QString>

#include <vector>

struct PdfFile {
    explicit PdfFile(const QString& path)
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    bool valid() const { return bytes.startsWith("%PDF"); }

    int pageCount() const
    {
        static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s\\w])"));
        return valid() ? int(QString::fromLatin1(bytes).count(page)) : -1;
    }
    // Every page's size in points, as its media box gives it.
    std::vector<QSizeF> pageSizes() const
    {
        static const QRegularExpression box(QStringLiteral(
            "/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"));
        std::vector<QSizeF> out;
        for (auto it = box.globalMatch(QString::fromLatin1(bytes)); it.hasNext();) {
            const auto m = it.next();
            out.emplace_back(m.captured(3).toDouble() - m.captured(1).toDouble(),
                m.captured(4).toDouble() - m.captured(2).toDouble());
        }
        return out;
    }
    // The pixel size of every picture in the file.
    std::vector<QSize> imageSizes() const
    {
        std::vector<QSize> out;
        static const QRegularExpression image(QStringLiteral("/Subtype\\s*/Image"));
        static const QRegularExpression width(QStringLiteral("/Width\\s+(\\d+)"));
        static const QRegularExpression height(QStringLiteral("/Height\\s+(\\d+)"));
        const QString text = QString::fromLatin1(bytes);
        for (auto it = image.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            // The dictionary the subtype belongs to.
            const qsizetype start = text.lastIndexOf(QStringLiteral("<<"), m.capturedStart());
            const qsizetype end = text.indexOf(QStringLiteral(">>"), m.capturedEnd());
            const QString dictionary = text.mid(start, end - start);
            const auto w = width.match(dictionary), h = height.match(dictionary);
            if (w.hasMatch() && h.hasMatch())
                out.emplace_back(w.captured(1).toInt(), h.captured(1).toInt());
        }
        return out;
    }

    QByteArray bytes;
};
