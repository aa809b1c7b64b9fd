#include "plat/img/Codecs.h"
#include "plat/img/FixedPalette.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

namespace {

const QRgb ObjectColours[] = { 0xFF2880FF, 0xFFFFFF50, 0xFF80FF80, 0xFFC0C0C0, 0xFFFF8040, 0xFFFF0000,
    0xFFC060C0, 0xFF000000, 0xFFFFFFFF };

// Blocks of the objects' colours; with Holes, a transparent corner and a half-opaque pixel.
QImage samplePicture(int width, int height, bool holes = false)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, ObjectColours[(x / 5 + y / 4) % 9]);
    if (holes) {
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                image.setPixel(x, y, 0x00000000);
        image.setPixel(width - 1, height - 1, 0x80FF0000);
    }
    return image;
}

// Same size and the same ARGB value at every pixel, whatever the two formats.
::testing::AssertionResult samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex
                                                     << a.pixel(x, y) << " vs " << b.pixel(x, y);
    return ::testing::AssertionSuccess();
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

void putU32be(QByteArray& b, quint32 v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.append(char(v >> s));
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const char* type, const QByteArray& body)
{
    QByteArray out;
    putU32be(out, quint32(body.size()));
    const QByteArray typed = QByteArray(type, 4) + body;
    out += typed;
    putU32be(out, crc32(typed));
    return out;
}

QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray ihdr;
    putU32be(ihdr, width);
    putU32be(ihdr, height);
    ihdr += bytes({ 8, 6, 0, 0, 0 });
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", {})
        + pngChunk("IEND", {});
}

QByteArray bmpHeaderOnly(qint32 width, qint32 height)
{
    QByteArray b("BM");
    auto u32 = [&](quint32 v) {
        for (int s = 0; s < 32; s += 8)
            b.append(char(v >> s));
    };
    u32(54 + 64);
    u32(0);
    u32(54);
    u32(40);
    u32(quint32(width));
    u32(quint32(height));
    b += bytes({ 1, 0, 24, 0 });
    u32(0);
    u32(0);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    b += QByteArray(64, '\0');
    return b;
}

// A 2 x 2 screen with a two-colour table; a 1 x 1 frame at (1, 1) of colour 1 (blue).
QByteArray smallFrameGif(int screenWidth = 2, int screenHeight = 2)
{
    return QByteArray("GIF89a")
        + bytes({ screenWidth & 0xFF, screenWidth >> 8, screenHeight & 0xFF, screenHeight >> 8, 0x80, 0, 0 })
        + bytes({ 0xFF, 0, 0, 0, 0, 0xFF }) + bytes({ 0x2C, 1, 0, 1, 0, 1, 0, 1, 0, 0 })
        + bytes({ 2, 2, 0x4C, 0x01, 0, 0x3B });
}

template <typename F> void expectImageError(F&& f, img::ImageError::Kind kind, const char* what)
{
    try {
        f();
        ADD_FAILURE() << what << ": no error";
    } catch (const img::ImageError& e) {
        EXPECT_EQ(int(e.kind()), int(kind)) << what << ": " << e.what();
    }
}

// Decoding must end in a picture or an ImageError: anything else (or a crash) is a fault.
void decodeSurvives(const QByteArray& data)
{
    try {
        const QImage image = img::decodeImage(data);
        EXPECT_FALSE(image.isNull());
    } catch (const img::ImageError&) {
    }
}

} // namespace

TEST(ImageCodecs, RoundTripEveryEncoder)
{
    const QImage picture = samplePicture(40, 30, true);

    const QImage png = img::decodeImage(img::encodeImage(picture, "image/png"));
    EXPECT_EQ(png.format(), QImage::Format_ARGB32);
    EXPECT_TRUE(samePixels(png, picture));
    const QImage opaquePng = img::decodeImage(img::encodeImage(samplePicture(9, 7), "image/png"));
    EXPECT_EQ(opaquePng.format(), QImage::Format_RGB32);
    EXPECT_TRUE(samePixels(opaquePng, samplePicture(9, 7)));

    const QImage opaque = samplePicture(33, 17).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(samePixels(img::decodeImage(img::encodeImage(opaque, "image/bmp")), opaque));

    // Colours of the fixed palette come back exactly; alpha under 128 becomes transparent, above opaque.
    const QImage gif = img::decodeImage(img::encodeImage(picture, "image/gif"));
    EXPECT_EQ(gif.format(), QImage::Format_Indexed8);
    QImage expected = picture;
    expected.setPixel(39, 29, 0xFFFF0000);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(qAlpha(gif.pixel(x, y)), 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            expected.setPixel(x, y, gif.pixel(x, y));
    EXPECT_TRUE(samePixels(gif, expected));

    // JPEG is lossy: the middle of flat quadrants stays within a few levels.
    QImage quadrants(64, 64, QImage::Format_RGB32);
    quadrants.fill(0xFF2880FF);
    QPainter(&quadrants).fillRect(32, 0, 32, 32, QColor(0xFFFF8040));
    QPainter(&quadrants).fillRect(0, 32, 32, 32, QColor(0xFFC0C0C0));
    const QImage jpeg = img::decodeImage(img::encodeImage(quadrants, "image/jpeg"));
    ASSERT_EQ(jpeg.size(), quadrants.size());
    EXPECT_EQ(jpeg.format(), QImage::Format_RGB32);
    for (QPoint p : { QPoint(16, 16), QPoint(48, 16), QPoint(16, 48), QPoint(48, 48) }) {
        const QRgb a = jpeg.pixel(p), b = quadrants.pixel(p);
        EXPECT_LE(
            std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)), 12)
            << p.x() << "," << p.y();
    }
    // A picture inside a record is followed by more data: decoding ignores it.
    for (const char* mime : { "image/gif", "image/png", "image/jpeg", "image/bmp" }) {
        const QByteArray alone = img::encodeImage(quadrants, mime);
        EXPECT_TRUE(samePixels(img::decodeImage(alone + QByteArray(300, '\x5A')), img::decodeImage(alone)))
            << mime;
    }
    const QByteArray jfif = img::encodeImage(quadrants, "image/jpeg");
    EXPECT_EQ(quint8(jfif[13]), 1); // density in dots per inch
    EXPECT_EQ(quint8(jfif[15]), 96);
}

TEST(ImageCodecs, GifKeepsIndexedTablesAndReadsFramesAsPlaced)
{
    QImage indexed(10, 6, QImage::Format_Indexed8);
    indexed.setColorTable({ 0xFF123456, 0xFF654321, 0x00000000, 0xFFABCDEF });
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            indexed.setPixel(x, y, uint((x + y) % 4));
    const QByteArray gif = img::encodeImage(indexed, "image/gif");
    ASSERT_GT(gif.size(), 790);
    EXPECT_EQ(gif.mid(13, 12), bytes({ 0x12, 0x34, 0x56, 0x65, 0x43, 0x21, 0, 0, 0, 0xAB, 0xCD, 0xEF }));
    EXPECT_EQ(quint8(gif[784]), 0x01); // transparency flag
    EXPECT_EQ(quint8(gif[787]), 2); // the table's transparent entry
    const QImage back = img::decodeImage(gif);
    EXPECT_EQ(back.format(), QImage::Format_Indexed8);
    EXPECT_EQ(back.colorTable().mid(0, 4), indexed.colorTable());
    EXPECT_TRUE(samePixels(back, indexed));

    // A frame smaller than the screen: the rest is transparent, not garbage.
    const QImage placed = img::decodeImage(smallFrameGif());
    ASSERT_EQ(placed.size(), QSize(2, 2));
    EXPECT_EQ(placed.pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(qAlpha(placed.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(placed.pixel(1, 0)), 0);

    // Interlaced rows arrive in passes 0, 4 / 2, 6 / 1, 3, 5, 7 ...: row y must get colour y.
    QByteArray interlaced;
    {
        int error = 0;
        GifFileType* out = EGifOpen(
            &interlaced,
            [](GifFileType* g, const GifByteType* p, int n) {
                static_cast<QByteArray*>(g->UserData)->append(reinterpret_cast<const char*>(p), n);
                return n;
            },
            &error);
        ASSERT_NE(out, nullptr);
        GifColorType colours[16];
        for (int i = 0; i < 16; ++i)
            colours[i] = GifColorType { GifByteType(i * 16), GifByteType(255 - i * 16), 7 };
        ColorMapObject* map = GifMakeMapObject(16, colours);
        EXPECT_EQ(EGifPutScreenDesc(out, 3, 11, 8, 0, map), GIF_OK);
        EXPECT_EQ(EGifPutImageDesc(out, 0, 0, 3, 11, true, nullptr), GIF_OK);
        for (int row : { 0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9 }) {
            GifPixelType line[3] = { GifPixelType(row), GifPixelType(row), GifPixelType(row) };
            EXPECT_EQ(EGifPutLine(out, line, 3), GIF_OK);
        }
        GifFreeMapObject(map);
        EGifCloseFile(out, &error);
    }
    const QImage rows = img::decodeImage(interlaced);
    ASSERT_EQ(rows.size(), QSize(3, 11));
    for (int y = 0; y < 11; ++y)
        EXPECT_EQ(rows.pixelIndex(1, y), y);
}

TEST(ImageCodecs, GifFrameLayoutIsWhatTheAnimationAssemblerCuts)
{
    // A frame as the export draws it: antialiased shapes in and out of the palette.
    QImage frame(800, 600, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::white);
    {
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 40; ++i) {
            p.setPen(QPen(QColor(ObjectColours[i % 9]), 1 + i % 3));
            p.setBrush(QColor(0xFF123456 + i * 0x050301));
            p.drawEllipse(QPointF(20 + i * 19, 300 + (i % 7) * 30), 15 + i % 11, 40);
        }
    }
    const QImage other = samplePicture(17, 5, true);
    const QByteArray a = img::encodeImage(frame, "image/gif");
    const QByteArray b = img::encodeImage(other, "image/gif");
    EXPECT_LE(a.size(), 200001);
    for (const QByteArray& gif : { a, b }) {
        ASSERT_GT(gif.size(), 791);
        EXPECT_EQ(gif.left(6), "GIF89a");
        EXPECT_EQ(quint8(gif[10]) & 0x87, 0x87); // global table of 2^(7+1) entries
        EXPECT_EQ(gif.mid(781, 3), bytes({ 0x21, 0xF9, 0x04 }));
        EXPECT_EQ(quint8(gif[788]), 0);
        EXPECT_EQ(quint8(gif[789]), 0x2C);
        EXPECT_EQ(quint8(gif[gif.size() - 1]), 0x3B);
    }
    EXPECT_EQ(a.mid(13, 768), b.mid(13, 768));
    EXPECT_EQ(quint8(a[784]) & 1, 0); // opaque frame: no transparency
    EXPECT_EQ(quint8(b[784]) & 1, 1);

    // The palette: distinct opaque colours, the objects' colours among them and mapped exactly.
    const auto& palette = img::fixedPalette();
    std::set<QRgb> distinct(palette.begin(), palette.begin() + img::TransparentIndex);
    EXPECT_EQ(distinct.size(), std::size_t(img::TransparentIndex));
    img::PaletteMapper mapper;
    for (QRgb c : ObjectColours)
        EXPECT_EQ(palette[mapper.indexOf(c)], c) << std::hex << c;
    EXPECT_EQ(palette[mapper.indexOf(0xFF2A82FD)], 0xFF2880FFu);
    EXPECT_EQ(palette[mapper.indexOf(0xFF7F7F7F)], 0xFF808080u);
    for (QRgb c : palette)
        EXPECT_EQ(qAlpha(c), 255);
    // Every pixel of the busy frame maps to its nearest entry, never the reserved one.
    const QImage decoded = img::decodeImage(a);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 800; x += 5)
            ASSERT_NE(decoded.pixelIndex(x, y), img::TransparentIndex);
}

// The encoder reads the program's pictures in place: every pixel format gives the same GIF as
// the plain, converted picture, with many colours (more than the table of remembered colours
// holds apart) and every opacity.
TEST(ImageCodecs, GifOfEveryPixelFormatIsTheGifOfThePlainPicture)
{
    QImage plain(257, 131, QImage::Format_ARGB32);
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const int alpha = (x * 7 + y) % 5 == 0 ? (x * 13 + y * 3) % 256 : 255;
            plain.setPixel(x, y, qRgba((x * 37) % 256, (y * 53 + x) % 256, (x * y) % 256, alpha));
        }
    const auto gif = [](const QImage& image) { return img::encodeImage(image, "image/gif"); };
    const QImage premultiplied = plain.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(gif(premultiplied), gif(premultiplied.convertToFormat(QImage::Format_ARGB32)));
    const QImage opaque = plain.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(gif(opaque), gif(opaque.convertToFormat(QImage::Format_ARGB32)));
    EXPECT_EQ(img::decodeImage(gif(plain)).size(), plain.size());
}

TEST(ImageCodecs, EncoderLookupAndFiles)
{
    for (const char* mime : { "image/bmp", "image/jpeg", "image/gif", "image/png" })
        EXPECT_TRUE(img::hasEncoder(mime)) << mime;
    for (const char* mime : { "image/jpg", "image/tiff", "image/PNG", "" })
        EXPECT_FALSE(img::hasEncoder(mime)) << mime;
    try {
        img::encodeImage(samplePicture(4, 4), "image/jpg");
        FAIL();
    } catch (const rt::AssertionFailure& e) {
        EXPECT_EQ(e.assertMessage(), "Encoder not found for image/jpg");
        EXPECT_EQ(e.module(), "Rules8");
    }
    EXPECT_THROW(img::encodeImage(QImage(), "image/png"), rt::GraphicsError);
    EXPECT_THROW(img::encodeImage(QImage(), "image/gif"), rt::GraphicsError);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("a.png");
    img::saveImage(samplePicture(8, 8), "image/png", path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(samePixels(img::decodeImage(file.readAll()), samplePicture(8, 8)));
    EXPECT_THROW(
        img::saveImage(samplePicture(8, 8), "image/png", dir.filePath("missing/a.png")), rt::IoError);
    EXPECT_THROW(
        img::saveImage(samplePicture(8, 8), "image/xyz", dir.filePath("b.xyz")), rt::AssertionFailure);
    EXPECT_FALSE(QFile::exists(dir.filePath("b.xyz")));
}

TEST(ImageCodecs, AbsurdSizesAreRefusedBeforeAllocating)
{
    using Kind = img::ImageError::Kind;
    expectImageError(
        [] { img::decodeImage(smallFrameGif(65535, 65535)); }, Kind::TooLarge, "GIF 65535 x 65535");
    expectImageError([] { img::decodeImage(smallFrameGif(16385, 1)); }, Kind::TooLarge, "GIF 16385 wide");
    expectImageError(
        [] { img::decodeImage(pngHeaderOnly(100000, 100000)); }, Kind::TooLarge, "PNG 100000 square");
    expectImageError([] { img::decodeImage(pngHeaderOnly(16384, 4097)); }, Kind::TooLarge, "PNG over 64 Mpx");
    expectImageError(
        [] { img::decodeImage(bmpHeaderOnly(100000, 100000)); }, Kind::TooLarge, "BMP 100000 square");
    expectImageError(
        [] { img::decodeImage(bmpHeaderOnly(10, INT32_MIN)); }, Kind::TooLarge, "BMP height -2^31");
    expectImageError([] { img::decodeImage(bmpHeaderOnly(0, 10)); }, Kind::Corrupt, "BMP width 0");

    QByteArray jpeg = img::encodeImage(samplePicture(16, 16), "image/jpeg");
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    jpeg[sof + 5] = char(0xEA); // height 60000
    jpeg[sof + 6] = char(0x60);
    jpeg[sof + 7] = char(0xEA); // width 60000
    jpeg[sof + 8] = char(0x60);
    expectImageError([&] { img::decodeImage(jpeg); }, Kind::TooLarge, "JPEG 60000 square");
}

TEST(ImageCodecs, DamagedDataGivesAnErrorNotACrash)
{
    using Kind = img::ImageError::Kind;
    expectImageError([] { img::decodeImage(QByteArray("not a picture")); }, Kind::UnknownFormat, "text");
    expectImageError([] { img::decodeImage(QByteArray()); }, Kind::UnknownFormat, "empty");

    const QImage picture = samplePicture(24, 20, true);
    for (const char* mime : { "image/gif", "image/png", "image/jpeg", "image/bmp" }) {
        const QByteArray whole = img::encodeImage(picture, mime);
        SCOPED_TRACE(mime);
        // Cut in the middle of the pixel data: reported, not half a picture.
        expectImageError(
            [&] { img::decodeImage(whole.left(whole.size() / 2 + 40)); }, Kind::Truncated, "half");
        // Every shorter prefix, then deterministic byte damage.
        for (qsizetype n = 0; n < whole.size(); n += (whole.size() > 4000 ? 7 : 1))
            decodeSurvives(whole.left(n));
        quint32 seed = 12345;
        auto next = [&] { return seed = seed * 134775813u + 1u; };
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = whole;
            const int hits = 1 + int(next() % 4);
            for (int h = 0; h < hits; ++h)
                damaged[qsizetype(next() % quint32(damaged.size()))] = char(next() >> 24);
            decodeSurvives(damaged);
        }
    }
}
