#include "plat/img/ImageExtent.h"
#include "plat/img/Codecs.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

using Kind = img::ImageError::Kind;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QImage busyPicture()
{
    QImage image(48, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xFF2880FF));
    p.drawEllipse(4, 4, 30, 25);
    p.fillRect(20, 20, 25, 15, QColor(0xFFFF8040));
    return image;
}

// A JPEG whose scan holds a stuffed FF 00, a restart marker and fill bytes before EOI.
QByteArray handMadeJpeg()
{
    return bytes({ 0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x4A, 0x46, 0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0xFF,
        0x00, 0x34, 0xFF, 0xD3, 0x56, 0xFF, 0xFF, 0xD9 });
}

size_t extentOf(img::ImageType type, const QByteArray& data, std::size_t offset)
{
    return img::imageExtent(type, img::bytesOf(data), offset);
}

Kind failureOf(img::ImageType type, const QByteArray& data, std::size_t offset = 0)
{
    try {
        const std::size_t end = extentOf(type, data, offset);
        ADD_FAILURE() << "extent " << end << " found";
    } catch (const img::ImageError& e) {
        return e.kind();
    }
    return Kind::UnknownFormat;
}

} // namespace

TEST(ImageExtent, FindsTheExactEndAndReportsTruncation)
{
    struct Case {
        img::ImageType type;
        QByteArray image;
    };
    const QImage picture = busyPicture();
    const Case cases[] = {
        { img::ImageType::Gif, img::encodeImage(picture, "image/gif") },
        { img::ImageType::Png, img::encodeImage(picture, "image/png") },
        { img::ImageType::Bmp, img::encodeImage(picture, "image/bmp") },
        { img::ImageType::Jpeg, img::encodeImage(picture, "image/jpeg") },
        { img::ImageType::Jpeg, handMadeJpeg() },
    };
    // Junk after the image looks like more image data: 3B, IEND, FF D9 and block bytes.
    const QByteArray junk = bytes({ 0x21, 0xF9, 0x3B, 0xFF, 0xD9, 0x00, 'I', 'E', 'N', 'D', 0x2C, 0x01 });
    for (const Case& c : cases) {
        SCOPED_TRACE(img::imageTypeName(c.type));
        const QByteArray record = QByteArray("head!") + c.image + junk;
        EXPECT_EQ(extentOf(c.type, record, 5), std::size_t(5 + c.image.size()));
        EXPECT_EQ(extentOf(c.type, c.image, 0), std::size_t(c.image.size()));
        // Every cut before the last byte is reported as cut short, never as a smaller picture.
        for (qsizetype n = 5; n < record.size() - junk.size(); ++n)
            ASSERT_EQ(int(failureOf(c.type, record.left(n), 5)), int(Kind::Truncated)) << "cut at " << n;
    }
    EXPECT_EQ(int(failureOf(img::ImageType::Png, QByteArray("ab"), 3)), int(Kind::Truncated));
}

TEST(ImageExtent, LengthsAndBlocksAreCheckedAgainstTheFormat)
{
    const QImage picture = busyPicture();
    // Wrong type for the data.
    const QByteArray png = img::encodeImage(picture, "image/png");
    EXPECT_EQ(int(failureOf(img::ImageType::Gif, png)), int(Kind::Corrupt));
    EXPECT_EQ(int(failureOf(img::ImageType::Jpeg, png)), int(Kind::Corrupt));
    EXPECT_EQ(int(failureOf(img::ImageType::Bmp, png)), int(Kind::Corrupt));
    EXPECT_EQ(
        int(failureOf(img::ImageType::Png, img::encodeImage(picture, "image/gif"))), int(Kind::Corrupt));

    // PNG: a chunk length of 2^31 is invalid, 2^31 - 1 runs past the data, a type must be letters.
    QByteArray hugeChunk = png;
    hugeChunk.replace(8, 4, bytes({ 0x80, 0, 0, 0 }));
    EXPECT_EQ(int(failureOf(img::ImageType::Png, hugeChunk)), int(Kind::Corrupt));
    hugeChunk.replace(8, 4, bytes({ 0x7F, 0xFF, 0xFF, 0xFF }));
    EXPECT_EQ(int(failureOf(img::ImageType::Png, hugeChunk)), int(Kind::Truncated));
    QByteArray badType = png;
    badType[13] = '1';
    EXPECT_EQ(int(failureOf(img::ImageType::Png, badType)), int(Kind::Corrupt));

    // GIF: an unknown block kind after the image.
    QByteArray gif = img::encodeImage(picture, "image/gif");
    gif[gif.size() - 1] = 0x42;
    EXPECT_EQ(int(failureOf(img::ImageType::Gif, gif)), int(Kind::Corrupt));

    // BMP: the file size field decides; too small for a header, or past the data.
    QByteArray bmp = img::encodeImage(picture, "image/bmp");
    bmp.replace(2, 4, bytes({ 25, 0, 0, 0 }));
    EXPECT_EQ(int(failureOf(img::ImageType::Bmp, bmp)), int(Kind::Corrupt));
    bmp.replace(2, 4, bytes({ 0xFF, 0xFF, 0xFF, 0xFF }));
    EXPECT_EQ(int(failureOf(img::ImageType::Bmp, bmp)), int(Kind::Truncated));
    bmp.replace(2, 4, bytes({ 40, 0, 0, 0 }));
    EXPECT_EQ(extentOf(img::ImageType::Bmp, bmp, 0), 40u);

    // JPEG: a segment length under 2, and data that stops before EOI.
    QByteArray jpeg = handMadeJpeg();
    jpeg[5] = 1;
    EXPECT_EQ(int(failureOf(img::ImageType::Jpeg, jpeg)), int(Kind::Corrupt));
    EXPECT_EQ(int(failureOf(img::ImageType::Jpeg, bytes({ 0xFF, 0xD8, 0x12 }))), int(Kind::Corrupt));
    EXPECT_EQ(int(failureOf(img::ImageType::Jpeg, handMadeJpeg().left(21))), int(Kind::Truncated));

    // Record type codes: only 1 to 4 name a format.
    EXPECT_FALSE(img::imageTypeFromCode(0));
    EXPECT_FALSE(img::imageTypeFromCode(5));
    EXPECT_EQ(img::imageTypeFromCode(2), img::ImageType::Jpeg);
    EXPECT_EQ(img::sniffImageType(img::bytesOf(png)), img::ImageType::Png);
}

TEST(ImageExtent, DamagedImagesNeverReadOutside)
{
    const QImage picture = busyPicture();
    quint32 seed = 777;
    auto next = [&] { return seed = seed * 134775813u + 1u; };
    for (const char* mime : { "image/gif", "image/png", "image/bmp", "image/jpeg" }) {
        const QByteArray whole = img::encodeImage(picture, mime);
        const auto type = img::sniffImageType(img::bytesOf(whole));
        ASSERT_TRUE(type);
        for (int round = 0; round < 500; ++round) {
            QByteArray damaged = whole;
            for (int h = 0; h < 3; ++h)
                damaged[qsizetype(next() % quint32(damaged.size()))] = char(next() >> 24);
            try {
                EXPECT_LE(extentOf(*type, damaged, 0), std::size_t(damaged.size()));
            } catch (const img::ImageError&) {
            }
        }
    }
}
