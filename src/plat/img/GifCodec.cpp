#include "plat/img/GifCodec.h"

#include "plat/img/FixedPalette.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace img {

namespace {

struct MemoryInput {
    Bytes data;
    std::size_t pos = 0;
    bool ranOut = false; // giflib names a short read after what it was reading, not as such
};

int readFromMemory(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(length, 0)), in->data.size() - in->pos);
    std::memcpy(buffer, in->data.data() + in->pos, n);
    in->pos += n;
    if (n < std::size_t(std::max(length, 0)))
        in->ranOut = true;
    return int(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifReader = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void failGif(int error, const MemoryInput& input)
{
    const char* text = GifErrorString(error);
    const bool cutShort = input.ranOut || error == D_GIF_ERR_EOF_TOO_SOON;
    throw ImageError(cutShort ? ImageError::Kind::Truncated : ImageError::Kind::Corrupt,
        std::string(cutShort ? "Picture cut short: GIF " : "Damaged picture: GIF ")
            + (text ? text : "error"));
}

// Rows of an interlaced image arrive in four passes.
int interlacedRow(int index, int height)
{
    static const int start[4] = { 0, 4, 2, 1 };
    static const int step[4] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass) {
        const int rows = start[pass] < height ? (height - start[pass] + step[pass] - 1) / step[pass] : 0;
        if (index < rows)
            return start[pass] + index * step[pass];
        index -= rows;
    }
    return -1;
}

QImage readFirstFrame(GifFileType* gif, const MemoryInput& input)
{
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            failGif(gif->Error, input);
        if (record == TERMINATE_RECORD_TYPE)
            throw ImageError(ImageError::Kind::Corrupt, "Damaged picture: GIF without an image");
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                failGif(gif->Error, input);
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control {};
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                    transparent = control.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    failGif(gif->Error, input);
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            throw ImageError(ImageError::Kind::Corrupt, "Damaged picture: GIF record of unknown kind");
        break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        failGif(gif->Error, input);

    const GifImageDesc& frame = gif->Image;
    checkImageSize(frame.Width, frame.Height, "GIF");
    // Some writers state a screen smaller than the frame: the picture then grows to hold it.
    const int width = std::max<int>(gif->SWidth, frame.Left + frame.Width);
    const int height = std::max<int>(gif->SHeight, frame.Top + frame.Height);
    checkImageSize(width, height, "GIF");
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || map->ColorCount <= 0)
        throw ImageError(ImageError::Kind::Corrupt, "Damaged picture: GIF without a colour table");

    QVector<QRgb> table;
    for (int i = 0; i < map->ColorCount && i < 256; ++i)
        table.append(qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));

    // What shows where the frame does not reach: transparent when possible, else the background.
    const bool covers = frame.Left == 0 && frame.Top == 0 && frame.Width == width && frame.Height == height;
    int fill = -1;
    if (!covers) {
        if (transparent >= 0)
            fill = transparent;
        else if (table.size() < 256)
            fill = transparent = int(table.size());
        else
            fill = std::clamp<int>(gif->SBackGroundColor, 0, 255);
    }

    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        throw ImageError(ImageError::Kind::TooLarge, "Picture too large: no memory for the GIF image");
    if (fill >= 0)
        image.fill(uint(fill));

    std::vector<GifPixelType> line(std::size_t(frame.Width));
    for (int i = 0; i < frame.Height; ++i) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            failGif(gif->Error, input);
        const int y = frame.Top + (frame.Interlace ? interlacedRow(i, frame.Height) : i);
        std::memcpy(image.scanLine(y) + frame.Left, line.data(), line.size());
    }

    // Indices past the table's end happen in damaged files; they show as black.
    int used = fill;
    for (int y = 0; y < height; ++y) {
        const uchar* row = image.constScanLine(y);
        used = std::max<int>(used, *std::max_element(row, row + width));
    }
    while (table.size() <= std::max(used, transparent))
        table.append(qRgb(0, 0, 0));
    if (transparent >= 0)
        table[transparent] &= 0x00FFFFFFu;
    image.setColorTable(table);
    return image;
}

struct MemoryOutput {
    QByteArray bytes;
};

int writeToMemory(GifFileType* gif, const GifByteType* buffer, int length)
{
    static_cast<MemoryOutput*>(gif->UserData)->bytes.append(reinterpret_cast<const char*>(buffer), length);
    return length;
}

struct Frame {
    std::vector<GifColorType> colours;
    std::vector<GifPixelType> pixels;
    int transparent = -1;
};

GifColorType gifColour(QRgb c)
{
    return GifColorType { GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c)) };
}

// An indexed source keeps its table; entries under half opacity all become one transparent index.
Frame indexedFrame(const QImage& source)
{
    const QImage image = source.format() == QImage::Format_Indexed8
        ? source
        : source.convertToFormat(QImage::Format_Indexed8);
    Frame frame;
    const QVector<QRgb> table = image.colorTable();
    std::vector<bool> clear(PaletteSize, false);
    for (int i = 0; i < PaletteSize; ++i) {
        const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
        frame.colours.push_back(gifColour(c));
        clear[i] = i < table.size() && qAlpha(c) < 128;
        if (clear[i] && frame.transparent < 0)
            frame.transparent = i;
    }
    frame.pixels.resize(std::size_t(image.width()) * std::size_t(image.height()));
    GifPixelType* out = frame.pixels.data();
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            *out++ = clear[row[x]] ? GifPixelType(frame.transparent) : row[x];
    }
    return frame;
}

bool allOpaque(const QImage& image)
{
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            if (qAlpha(row[x]) != 255)
                return false;
    }
    return true;
}

Frame paletteFrame(const QImage& source)
{
    // The program's own pictures, opaque, are read as they stand: their premultiplied pixels are
    // already plain. Others are converted first.
    const QImage::Format format = source.format();
    const bool readAsIs = format == QImage::Format_ARGB32 || format == QImage::Format_RGB32
        || (format == QImage::Format_ARGB32_Premultiplied && allOpaque(source));
    const QImage image = readAsIs ? source : source.convertToFormat(QImage::Format_ARGB32);
    const bool opaque = image.format() != QImage::Format_ARGB32;
    Frame frame;
    for (QRgb c : fixedPalette())
        frame.colours.push_back(gifColour(c));
    PaletteMapper mapper;
    const int width = image.width();
    const int height = image.height();
    frame.pixels.resize(std::size_t(width) * std::size_t(height));
    GifPixelType* out = frame.pixels.data();
    QRgb last = 0;
    GifPixelType lastIndex = TransparentIndex;
    for (int y = 0; y < height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c = row[x];
            if (opaque)
                c |= 0xFF000000u;
            if (qAlpha(c) < 128) {
                *out++ = TransparentIndex;
                frame.transparent = TransparentIndex;
                continue;
            }
            if (c != last || lastIndex == TransparentIndex) {
                last = c;
                lastIndex = mapper.indexOf(c);
            }
            *out++ = lastIndex;
        }
    }
    return frame;
}

struct EncoderCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

} // namespace

QImage decodeGif(Bytes data)
{
    MemoryInput input { data, 0 };
    int error = 0;
    GifReader gif(DGifOpen(&input, readFromMemory, &error));
    if (!gif)
        failGif(error, input);
    return readFirstFrame(gif.get(), input);
}

QByteArray encodeGif(const QImage& image)
{
    if (image.isNull() || image.width() > 65535 || image.height() > 65535)
        throw rt::GraphicsError(rt::InvalidParameter);
    const bool indexed = (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
                             || image.format() == QImage::Format_MonoLSB)
        && image.colorCount() > 0 && image.colorCount() <= PaletteSize;
    Frame frame = indexed ? indexedFrame(image) : paletteFrame(image);

    MemoryOutput output;
    int error = 0;
    GifFileType* raw = EGifOpen(&output, writeToMemory, &error);
    if (!raw)
        throw rt::GraphicsError(rt::OutOfMemory);
    std::unique_ptr<GifFileType, EncoderCloser> gif(raw);

    ColorMapObject* map = GifMakeMapObject(PaletteSize, frame.colours.data());
    if (!map)
        throw rt::GraphicsError(rt::OutOfMemory);
    const int width = image.width();
    const int height = image.height();
    // Control extension: no disposal, no delay; the transparency flag only when a pixel needs it.
    const GifByteType control[4] = { GifByteType(frame.transparent >= 0 ? 0x01 : 0x00), 0, 0,
        GifByteType(frame.transparent >= 0 ? frame.transparent : 0) };
    EGifSetGifVersion(gif.get(), true);
    bool ok = EGifPutScreenDesc(gif.get(), width, height, 8, 0, map) == GIF_OK
        && EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK
        && EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_OK;
    GifFreeMapObject(map);
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif.get(), frame.pixels.data() + std::size_t(y) * std::size_t(width), width)
            == GIF_OK;
    if (!ok)
        throw rt::GraphicsError(rt::GenericError);
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR)
        throw rt::GraphicsError(rt::GenericError);
    return output.bytes;
}

} // namespace img
