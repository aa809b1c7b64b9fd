#include "plat/img/JpegCodec.h"

#include "plat/img/ImageExtent.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
// jerror.h after jpeglib.h: it needs its types.
#include <jerror.h>

namespace img {

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE Native32 = JCS_EXT_BGRA;
constexpr J_COLOR_SPACE Native32X = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE Native32 = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE Native32X = JCS_EXT_XRGB;
#endif

// libjpeg reports errors through this manager; we jump back to the phase that started the call.
// Everything between the setjmp and the jump is plain C data, so skipping frames leaks nothing.
struct JpegErrors {
    jpeg_error_mgr manager;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

JpegErrors* errorsOf(j_common_ptr cinfo) { return reinterpret_cast<JpegErrors*>(cinfo->err); }

void onError(j_common_ptr cinfo)
{
    JpegErrors* errors = errorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings about damaged data are tolerated as libjpeg repairs them, except running out of
// data: the rest of the picture would be made up.
void onMessage(j_common_ptr cinfo, int level)
{
    if (level == -1 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        JpegErrors* errors = errorsOf(cinfo);
        errors->truncated = true;
        (*cinfo->err->format_message)(cinfo, errors->message);
        std::longjmp(errors->jump, 1);
    }
}

// The scans were counted before decoding; this holds the bound should the decoder meet more.
void onProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    const std::int64_t scans = d->input_scan_number;
    const std::int64_t pixels = std::int64_t(d->image_width) * d->image_height;
    if (scans > MaxJpegScans || scans * pixels > MaxJpegScanPixels) {
        JpegErrors* errors = errorsOf(cinfo);
        std::snprintf(errors->message, sizeof errors->message, "of %u x %u pixels in more than %lld scans",
            unsigned(d->image_width), unsigned(d->image_height), static_cast<long long>(scans - 1));
        std::longjmp(errors->jump, 1);
    }
}

void initErrors(JpegErrors& errors)
{
    std::memset(&errors, 0, sizeof errors);
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    errors.manager.emit_message = onMessage;
    errors.progress.progress_monitor = onProgress;
}

bool readHeader(jpeg_decompress_struct* cinfo, JpegErrors* errors, const std::uint8_t* data, std::size_t size)
{
    if (setjmp(errors->jump))
        return false;
    jpeg_create_decompress(cinfo);
    cinfo->progress = &errors->progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    return true;
}

bool readPixels(jpeg_decompress_struct* cinfo, JpegErrors* errors, std::uint8_t* bits, std::size_t stride)
{
    if (setjmp(errors->jump))
        return false;
    jpeg_start_decompress(cinfo);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = bits + std::size_t(cinfo->output_scanline) * stride;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    return true;
}

// Adobe writes CMYK inverted; others store ink amounts.
void cmykToRgb(QImage& image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* p = image.scanLine(y);
        QRgb* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            int c = p[0], m = p[1], ye = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
}

struct Decompressor {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    Decompressor()
    {
        std::memset(&cinfo, 0, sizeof cinfo);
        initErrors(errors);
        cinfo.err = &errors.manager;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

struct Compressor {
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Compressor()
    {
        std::memset(&cinfo, 0, sizeof cinfo);
        initErrors(errors);
        cinfo.err = &errors.manager;
    }
    ~Compressor()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

[[noreturn]] void failJpeg(const JpegErrors& errors)
{
    throw ImageError(errors.truncated ? ImageError::Kind::Truncated : ImageError::Kind::Corrupt,
        std::string(errors.truncated ? "Picture cut short: JPEG " : "Damaged picture: JPEG ")
            + errors.message);
}

bool writeJpeg(Compressor* c, const std::uint8_t* bits, std::size_t stride, int width, int height)
{
    if (setjmp(c->errors.jump))
        return false;
    jpeg_create_compress(&c->cinfo);
    jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
    c->cinfo.image_width = JDIMENSION(width);
    c->cinfo.image_height = JDIMENSION(height);
    c->cinfo.input_components = 4;
    c->cinfo.in_color_space = Native32X;
    jpeg_set_defaults(&c->cinfo);
    jpeg_set_quality(&c->cinfo, 75, TRUE);
    c->cinfo.density_unit = 1;
    c->cinfo.X_density = 96;
    c->cinfo.Y_density = 96;
    jpeg_start_compress(&c->cinfo, TRUE);
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bits + std::size_t(c->cinfo.next_scanline) * stride);
        jpeg_write_scanlines(&c->cinfo, &row, 1);
    }
    jpeg_finish_compress(&c->cinfo);
    return true;
}

} // namespace

QImage decodeJpeg(Bytes data)
{
    Decompressor d;
    if (!readHeader(&d.cinfo, &d.errors, data.data(), data.size()))
        failJpeg(d.errors);
    checkImageSize(d.cinfo.image_width, d.cinfo.image_height, "JPEG");
    // Counted before any pixel is made: a picture of many scans is refused at once.
    if (d.cinfo.progressive_mode)
        checkJpegScans(d.cinfo.image_width, d.cinfo.image_height, jpegScanCount(data));
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        d.cinfo.out_color_space = Native32;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        throw ImageError(ImageError::Kind::Unsupported,
            "Unsupported picture: JPEG colour space " + std::to_string(int(d.cinfo.jpeg_color_space)));
    }
    QImage image(int(d.cinfo.image_width), int(d.cinfo.image_height), QImage::Format_RGB32);
    if (image.isNull())
        throw ImageError(ImageError::Kind::TooLarge, "Picture too large: no memory for the JPEG image");
    if (!readPixels(&d.cinfo, &d.errors, image.bits(), std::size_t(image.bytesPerLine())))
        failJpeg(d.errors);
    if (cmyk)
        cmykToRgb(image, d.cinfo.saw_Adobe_marker);
    return image;
}

QByteArray encodeJpeg(const QImage& source)
{
    if (source.isNull() || source.width() > JPEG_MAX_DIMENSION || source.height() > JPEG_MAX_DIMENSION)
        throw rt::GraphicsError(rt::InvalidParameter);
    const QImage pixels = source.convertToFormat(QImage::Format_RGB32);
    Compressor c;
    if (!writeJpeg(
            &c, pixels.constBits(), std::size_t(pixels.bytesPerLine()), pixels.width(), pixels.height()))
        throw rt::GraphicsError(rt::GenericError);
    return QByteArray(reinterpret_cast<const char*>(c.buffer), qsizetype(c.size));
}

} // namespace img
