#include "plat/gfx/TextMetrics.h"

#include "plat/gfx/Font.h"
#include "plat/rt/Errors.h"

#include <QCoreApplication>
#include <QRawFont>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <tuple>
#include <utility>

namespace gfx {

namespace {

// A resolved face with the numbers the measurements need, all in design units.
struct Face {
    QRawFont raw; // held at one pixel per design unit
    double unitsPerEm = 2048.0;
    double ascender = 0.0;
    double descender = 0.0; // positive, below the baseline
    double lineGap = 0.0;
    QByteArray hmtx;
    int advanceCount = 0; // entries of hmtx that carry their own advance
    // Tops of the decoration bars above the baseline (negative below) and their thickness.
    double underlineTop = -150.0;
    double underlineSize = 150.0;
    double strikeoutTop = 530.0;
    double strikeoutSize = 100.0;
    // The face at the ems drawn so far. Each size has a font engine of its own, which keeps the
    // glyphs it has rendered: a new engine per line would render every glyph anew.
    std::map<double, QRawFont> sized;
    // The face's tables as a font file (null until needed, empty when of no use), and the faces
    // made of it at the ems drawn so large that they are drawn as outlines (see glyphsToDraw).
    QByteArray fontFile;
    std::map<double, QRawFont> outlined;
};

// Lines laid out so far (step numbers and texts come back at every paint), by face, em and text.
struct LineKey {
    std::string family;
    int style;
    double em;
    QString text;
    bool operator<(const LineKey& o) const
    {
        return std::tie(family, style, em, text) < std::tie(o.family, o.style, o.em, o.text);
    }
};
// Beyond this many lines or sizes a cache starts afresh: damaged texts cannot fill the memory.
constexpr std::size_t MaxCachedLines = 4096;
constexpr std::size_t MaxCachedSizes = 64;

int readU16(const QByteArray& table, int offset)
{
    return (static_cast<unsigned char>(table[offset]) << 8) | static_cast<unsigned char>(table[offset + 1]);
}

int readS16(const QByteArray& table, int offset)
{
    const int v = readU16(table, offset);
    return v >= 0x8000 ? v - 0x10000 : v;
}

Face loadFace(const Font& font)
{
    Face face;
    face.raw = QRawFont::fromFont(font.toQFont());
    if (!face.raw.isValid())
        throw rt::GraphicsError(rt::GenericError);
    face.unitsPerEm = face.raw.unitsPerEm() > 0 ? face.raw.unitsPerEm() : 2048.0;
    face.raw.setPixelSize(face.unitsPerEm);

    // hhea: ascender at 4, descender at 6, line gap at 8, advance count at 34.
    const QByteArray hhea = face.raw.fontTable("hhea");
    if (hhea.size() >= 36) {
        face.ascender = readS16(hhea, 4);
        face.descender = -readS16(hhea, 6);
        face.lineGap = readS16(hhea, 8);
        face.hmtx = face.raw.fontTable("hmtx");
        face.advanceCount = std::min(readU16(hhea, 34), static_cast<int>(face.hmtx.size() / 4));
    } else {
        face.ascender = face.raw.ascent();
        face.descender = face.raw.descent();
        face.lineGap = face.raw.leading();
    }
    // post: underline position at 8, thickness at 10. OS/2: strikeout size at 26, position at 28.
    const QByteArray post = face.raw.fontTable("post");
    if (post.size() >= 12 && readS16(post, 10) > 0) {
        face.underlineTop = readS16(post, 8);
        face.underlineSize = readS16(post, 10);
    }
    const QByteArray os2 = face.raw.fontTable("OS/2");
    if (os2.size() >= 30 && readS16(os2, 26) > 0) {
        face.strikeoutSize = readS16(os2, 26);
        face.strikeoutTop = readS16(os2, 28);
    }
    return face;
}

using FaceKey = std::pair<std::string, int>;

// Whether the calling thread's caches are gone: read after the thread's own objects are (Qt says
// that a thread it did not start finished only then), so of a type with nothing to destroy.
thread_local bool cachesGone = false;

// The caches are the calling thread's own, and so are the font engines they hold (Qt keeps font
// engines per thread): a thread lays out and draws its text with nothing another thread uses.
// They let their engines go at the latest with the thread's own objects, which for a thread that
// Qt did not start go before Qt says it finished, and for the main thread as the process exits,
// before any static object goes (a static application object too).
struct Caches {
    std::map<FaceKey, Face> faces;
    std::map<LineKey, std::shared_ptr<const LaidOutLine>> lines;
    void drop()
    {
        lines.clear();
        faces.clear();
    }
    ~Caches()
    {
        drop();
        cachesGone = true;
    }
};

Caches& caches()
{
    if (cachesGone)
        throw rt::GraphicsError(rt::GenericError); // text laid out as the thread ends
    thread_local Caches own;
    return own;
}

void dropFaces()
{
    if (!cachesGone)
        caches().drop();
}

// A thread's engines must go before its font data does: the GUI thread's when the application
// ends, any other thread's right before it finishes, from that thread itself. The connection
// that does it is made, run and undone by that thread alone.
void dropFacesAtTheEnd()
{
    QThread* thread = QThread::currentThread();
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && thread == app->thread()) {
        qAddPostRoutine(dropFaces);
        return;
    }
    auto* connection = new QObject;
    QObject::connect(thread, &QThread::finished, connection, [connection] {
        dropFaces();
        delete connection;
    }, Qt::DirectConnection);
}

// The pool's threads let their engines go when they finish, which Qt has them do as the
// application object goes: for one destroyed after main returns (a static one), that is after Qt's
// font data of the process, made with the first face, is gone. Made after that data, this goes
// before it, and has the pool's threads finish first.
struct PoolFinishedFirst {
    ~PoolFinishedFirst()
    {
        if (QCoreApplication::instance())
            QThreadPool::globalInstance()->waitForDone();
    }
};

Face& faceFor(const Font& font)
{
    auto& cache = caches().faces;
    const FaceKey key(font.family(), font.style() & (FontBold | FontItalic));
    auto it = cache.find(key);
    if (it == cache.end()) {
        const bool first = cache.empty();
        it = cache.emplace(key, loadFace(font)).first;
        static const PoolFinishedFirst poolFinishedFirst;
        if (first)
            dropFacesAtTheEnd();
    }
    return it->second;
}

// Design advance of every glyph, in design units.
QList<double> designAdvances(const Face& face, const QList<quint32>& glyphs)
{
    QList<double> out;
    out.reserve(glyphs.size());
    if (face.advanceCount > 0) {
        for (quint32 g : glyphs) {
            const int index = static_cast<int>(std::min<quint32>(g, static_cast<quint32>(face.advanceCount - 1)));
            out.append(readU16(face.hmtx, index * 4));
        }
    } else {
        for (const QPointF& a : face.raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
            out.append(a.x());
    }
    return out;
}

double lineHeightOf(const Face& face, double em)
{
    return (face.ascender + face.descender + face.lineGap) / face.unitsPerEm * em;
}

// Glyphs drawn larger than this, in device pixels, Qt takes as outlines from the face instead of
// its glyph cache.
constexpr double LargestCachedGlyph = 64.0;

void putU16(QByteArray& out, int offset, quint32 v)
{
    out[offset] = char(v >> 8);
    out[offset + 1] = char(v);
}

void putU32(QByteArray& out, int offset, quint32 v)
{
    putU16(out, offset, v >> 16);
    putU16(out, offset + 2, v & 0xFFFF);
}

// The tables of RAW that outlines need, as a font file of its own; empty when the face has no
// outlines, or when its tables are not of the style asked for (a style Qt makes up by slanting or
// thickening the outlines, which a face made of the tables would not do).
QByteArray fontFileOf(const QRawFont& raw, int style)
{
    // In the order of their tags, as a font file lists them.
    static const char* const Tags[] = { "CFF ", "OS/2", "cmap", "cvt ", "fpgm", "gasp", "glyf", "head", "hhea",
        "hmtx", "loca", "maxp", "name", "post", "prep" };
    QList<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : Tags)
        if (QByteArray table = raw.fontTable(tag); !table.isEmpty())
            tables.append({ tag, table });
    const QByteArray head = raw.fontTable("head");
    const int own = head.size() >= 46 ? readU16(head, 44) & 3 : -1; // macStyle: bold 1, italic 2
    if (own != (style & (FontBold | FontItalic)) || !(raw.fontTable("glyf").size() || raw.fontTable("CFF ").size()))
        return QByteArray("");
    const int count = int(tables.size());
    int pow2 = 1, log2 = 0;
    while (pow2 * 2 <= count) {
        pow2 *= 2;
        ++log2;
    }
    QByteArray file(12 + 16 * count, '\0');
    putU32(file, 0, raw.fontTable("CFF ").isEmpty() ? 0x00010000u : 0x4F54544Fu); // TrueType or 'OTTO'
    putU16(file, 4, quint32(count));
    putU16(file, 6, quint32(pow2 * 16));
    putU16(file, 8, quint32(log2));
    putU16(file, 10, quint32(count * 16 - pow2 * 16));
    for (int i = 0; i < count; ++i) {
        QByteArray table = tables[i].second;
        const int length = int(table.size());
        table.append(QByteArray((4 - length % 4) % 4, '\0'));
        quint32 sum = 0;
        for (int at = 0; at < table.size(); at += 4)
            sum += (quint32(quint8(table[at])) << 24) | (quint32(quint8(table[at + 1])) << 16)
                | (quint32(quint8(table[at + 2])) << 8) | quint32(quint8(table[at + 3]));
        const int record = 12 + 16 * i;
        file.replace(record, 4, tables[i].first, 4);
        putU32(file, record + 4, sum);
        putU32(file, record + 8, quint32(file.size()));
        putU32(file, record + 12, quint32(length));
        file.append(table);
    }
    return file;
}

} // namespace

QSizeF measureString(const QString& text, const Font& font)
{
    if (text.isEmpty())
        return QSizeF(0.0, 0.0);
    const Face& face = faceFor(font);
    const double em = font.emSize();
    const double height = static_cast<float>(lineHeightOf(face, em));

    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    if (end == 0)
        return QSizeF(0.0, height);

    double units = 0.0;
    for (double a : designAdvances(face, face.raw.glyphIndexesForString(text.left(end))))
        units += a;
    const double width = static_cast<float>(units * em / face.unitsPerEm + 2.0 * em / 6.0);
    return QSizeF(width, height);
}

float lineHeight(const Font& font)
{
    return static_cast<float>(lineHeightOf(faceFor(font), font.emSize()));
}

QString resolvedFamily(const Font& font)
{
    return faceFor(font).raw.familyName();
}

std::shared_ptr<const LaidOutLine> layoutLine(const QString& text, const Font& font)
{
    auto& lines = caches().lines;
    LineKey key { font.family(), font.style(), font.emSize(), text };
    if (const auto found = lines.find(key); found != lines.end())
        return found->second;
    if (lines.size() >= MaxCachedLines)
        lines.clear();

    Face& face = faceFor(font);
    const double em = font.emSize();
    const double scale = em / face.unitsPerEm;

    auto sized = face.sized.find(em);
    if (sized == face.sized.end()) {
        if (face.sized.size() >= MaxCachedSizes) {
            lines.clear(); // the lines hold the engines of the sizes
            face.sized.clear();
        }
        QRawFont raw = face.raw;
        raw.setPixelSize(em);
        sized = face.sized.emplace(em, raw).first;
    }
    const QRawFont& raw = sized->second;
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    const QList<double> advances = designAdvances(face, glyphs);

    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    double x = em / 6.0;
    const double baseline = face.ascender * scale;
    for (double a : advances) {
        positions.append(QPointF(x, baseline));
        x += a * scale;
    }

    auto laidOut = std::make_shared<LaidOutLine>();
    LaidOutLine& line = *laidOut;
    line.glyphs.setRawFont(raw);
    line.glyphs.setGlyphIndexes(glyphs);
    line.glyphs.setPositions(positions);
    // Qt's own decorations go astray under a scaling transform: the bars are drawn as rectangles.
    const double left = em / 6.0;
    if (font.style() & FontUnderline)
        line.bars.append(QRectF(left, baseline - face.underlineTop * scale, x - left, face.underlineSize * scale));
    if (font.style() & FontStrikeout)
        line.bars.append(QRectF(left, baseline - face.strikeoutTop * scale, x - left, face.strikeoutSize * scale));
    line.size = measureString(text, font);
    lines.emplace(std::move(key), laidOut);
    return laidOut;
}

const QGlyphRun& glyphsToDraw(const LaidOutLine& line, const Font& font, const QTransform& world)
{
    const double em = font.emSize();
    if (em * em * std::abs(world.determinant()) < LargestCachedGlyph * LargestCachedGlyph)
        return line.glyphs;
    // Qt takes these outlines from the face the engine shares with the others of its font, which
    // keeps the sub-pixel offset of the last glyph it rendered for a glyph cache: they would
    // follow what the thread drew before. They come from a face of their own, made of the same
    // tables, which draws nothing but outlines.
    if (line.outlines.isEmpty() && !line.glyphs.isEmpty()) {
        Face& face = faceFor(font);
        auto outlined = face.outlined.find(em);
        if (outlined == face.outlined.end()) {
            if (face.fontFile.isNull())
                face.fontFile = fontFileOf(face.raw, font.style());
            if (face.outlined.size() >= MaxCachedSizes)
                face.outlined.clear();
            outlined = face.outlined.emplace(em, QRawFont(face.fontFile, em, QFont::PreferNoHinting)).first;
        }
        line.outlines = line.glyphs;
        if (outlined->second.isValid())
            line.outlines.setRawFont(outlined->second);
    }
    return line.outlines;
}

} // namespace gfx
