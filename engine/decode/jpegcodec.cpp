#include "engine/decode/jpegcodec.h"

#include "engine/base/pictureerror.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace
{

constexpr int kEncodeQuality = 90;
constexpr long kBytesPerMb = 1024L * 1024;
constexpr size_t kInitialEncodeBuffer = 64 * 1024;

struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Which components had scan data, for telling a complete picture of several scans from a cut one.
struct TProgress {
    jpeg_progress_mgr pub;
    unsigned componentsScanned;
};

void failWithMessage(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<TErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level)
{
    // libjpeg fills a scan whose data ends early with grey and only warns; such a file is not the
    // picture it claims to be, so it is refused like corrupt data. A file that ends where only
    // its end marker is missing (JWRN_JPEG_EOF alone) loses nothing; one that ends between two
    // scans is caught once decoding is over.
    if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER)
        failWithMessage(cinfo);
}

void onProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto *decompressor = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto *progress = reinterpret_cast<TProgress *>(cinfo->progress);
    for (int i = 0; i < decompressor->comps_in_scan; ++i)
        progress->componentsScanned |= 1u << decompressor->cur_comp_info[i]->component_index;
    if (decompressor->input_scan_number > kMaxProgressiveScans) {
        auto *manager = reinterpret_cast<TErrorManager *>(cinfo->err);
        std::snprintf(
            manager->message, sizeof manager->message, "more than %d progressive scans", kMaxProgressiveScans);
        std::longjmp(manager->jump, 1);
    }
}

void installErrorManager(TErrorManager &manager, jpeg_error_mgr *&slot)
{
    slot = jpeg_std_error(&manager.pub);
    manager.pub.error_exit = failWithMessage;
    manager.pub.emit_message = onMessage;
    manager.message[0] = '\0';
}

[[noreturn]] void throwFailure(const TErrorManager &manager)
{
    if (manager.pub.msg_code == JERR_OUT_OF_MEMORY)
        throw std::bad_alloc();
    throw TPictureError(std::string("JPEG: ") + manager.message);
}

struct TDecompressor {
    jpeg_decompress_struct cinfo {};
    TErrorManager error {};
    TProgress progress {};
    bool created = false;

    TDecompressor() { installErrorManager(error, cinfo.err); }
    ~TDecompressor()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

// The guarded functions below hold the only setjmp calls; nothing with a destructor lives in
// their frames, so a longjmp out of libjpeg skips no clean-up.
bool openDecompressor(TDecompressor &d, const unsigned char *data, unsigned long size)
{
    if (setjmp(d.error.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.mem->max_memory_to_use = kMaxJpegDecoderMemoryMb * kBytesPerMb;
    d.progress.pub.progress_monitor = onProgress;
    d.cinfo.progress = &d.progress.pub;
    jpeg_mem_src(&d.cinfo, data, size);
    jpeg_read_header(&d.cinfo, TRUE);
    return true;
}

bool startDecoding(TDecompressor &d, int scaleDenominator, J_COLOR_SPACE outputSpace)
{
    if (setjmp(d.error.jump))
        return false;
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = scaleDenominator;
    d.cinfo.dct_method = JDCT_IFAST;
    d.cinfo.out_color_space = outputSpace;
    jpeg_start_decompress(&d.cinfo);
    return true;
}

// Whether the scans read cover the whole picture: a progressive picture has every coefficient of
// every component refined to its last bit, a sequential one has data for every component. Asked
// before jpeg_finish_decompress, which frees the coefficient bits with the picture's memory.
bool scansCoverPicture(const TDecompressor &d)
{
    const jpeg_decompress_struct &cinfo = d.cinfo;
    if (!cinfo.progressive_mode)
        return d.progress.componentsScanned == (1u << cinfo.num_components) - 1;
    for (int component = 0; component < cinfo.num_components; ++component) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (cinfo.coef_bits[component][k] != 0)
                return false;
        }
    }
    return true;
}

// Reads every row; `covered` tells whether the scans read covered the whole picture.
bool readScanlines(TDecompressor &d, unsigned char *firstRow, qsizetype bytesPerLine, bool &covered)
{
    if (setjmp(d.error.jump))
        return false;
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = firstRow + d.cinfo.output_scanline * bytesPerLine;
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    covered = scansCoverPicture(d);
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

struct TCompressor {
    jpeg_compress_struct cinfo {};
    TErrorManager error {};
    bool created = false;
    // libjpeg's memory destination writes into `initial` and, once the output outgrows it, into
    // buffers of its own; `output` names the one holding the result when compression has finished.
    unsigned char *initial = nullptr;
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;

    TCompressor() { installErrorManager(error, cinfo.err); }
    ~TCompressor()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
        if (output != initial)
            std::free(output);
        std::free(initial);
    }
};

void setEncoderParameters(jpeg_compress_struct &cinfo, int width, int height)
{
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kEncodeQuality, TRUE);
}

bool compressRgb(TCompressor &c, const unsigned char *firstRow, qsizetype bytesPerLine, int width, int height)
{
    if (setjmp(c.error.jump))
        return false;
    jpeg_create_compress(&c.cinfo);
    c.created = true;
    jpeg_mem_dest(&c.cinfo, &c.output, &c.outputSize);
    setEncoderParameters(c.cinfo, width, height);
    jpeg_start_compress(&c.cinfo, TRUE);
    while (c.cinfo.next_scanline < c.cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char *>(firstRow + c.cinfo.next_scanline * bytesPerLine);
        jpeg_write_scanlines(&c.cinfo, &row, 1);
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

bool readEncoderSetup(TCompressor &c, TJpegEncoderSetup &setup)
{
    if (setjmp(c.error.jump))
        return false;
    jpeg_create_compress(&c.cinfo);
    c.created = true;
    setEncoderParameters(c.cinfo, 1, 1);
    const jpeg_component_info *components = c.cinfo.comp_info;
    setup.YCbCr420 = c.cinfo.jpeg_color_space == JCS_YCbCr && c.cinfo.num_components == 3
        && components[0].h_samp_factor == 2 && components[0].v_samp_factor == 2 && components[1].h_samp_factor == 1
        && components[1].v_samp_factor == 1 && components[2].h_samp_factor == 1 && components[2].v_samp_factor == 1
        && components[1].quant_tbl_no == components[2].quant_tbl_no;
    setup.IslowDct = c.cinfo.dct_method == JDCT_ISLOW;
    setup.MaxSide = JPEG_MAX_DIMENSION;
    const JQUANT_TBL *luma = c.cinfo.quant_tbl_ptrs[components[0].quant_tbl_no];
    const JQUANT_TBL *chroma = c.cinfo.quant_tbl_ptrs[components[1].quant_tbl_no];
    std::copy(std::begin(luma->quantval), std::end(luma->quantval), setup.LumaTable.begin());
    std::copy(std::begin(chroma->quantval), std::end(chroma->quantval), setup.ChromaTable.begin());
    return true;
}

void open(TDecompressor &d, const QByteArray &jpeg)
{
    if (jpeg.isEmpty())
        throw TPictureError("JPEG: empty data");
    if (!openDecompressor(d, reinterpret_cast<const unsigned char *>(jpeg.constData()), jpeg.size()))
        throwFailure(d.error);
    if (!PictureSizeAllowed(d.cinfo.image_width, d.cinfo.image_height))
        throw TPictureError("JPEG: zero or too large width or height");
}

inline uchar cmykChannel(int colour, int black, bool inverted)
{
    // Adobe writes CMYK inverted (0 means full ink), which is what nearly every CMYK JPEG holds.
    if (inverted)
        return uchar(colour * black / 255);
    return uchar((255 - colour) * (255 - black) / 255);
}

QImage cmykToRgb(const QImage &cmyk, bool inverted)
{
    QImage rgb(cmyk.width(), cmyk.height(), QImage::Format_RGB888);
    if (rgb.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < cmyk.height(); ++y) {
        const uchar *source = cmyk.constScanLine(y);
        uchar *target = rgb.scanLine(y);
        for (int x = 0; x < cmyk.width(); ++x, source += 4, target += 3) {
            target[0] = cmykChannel(source[0], source[3], inverted);
            target[1] = cmykChannel(source[1], source[3], inverted);
            target[2] = cmykChannel(source[2], source[3], inverted);
        }
    }
    return rgb;
}

}

TJpegSize ReadJpegSize(const QByteArray &jpeg)
{
    TDecompressor d;
    open(d, jpeg);
    return { int(d.cinfo.image_width), int(d.cinfo.image_height) };
}

QImage DecodeJpeg(const QByteArray &jpeg, int scaleDenominator)
{
    TDecompressor d;
    open(d, jpeg);
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    if (!startDecoding(d, scaleDenominator, cmyk ? JCS_CMYK : JCS_RGB))
        throwFailure(d.error);
    // CMYK rows are four bytes a pixel; an RGBA8888 image is only their container.
    QImage decoded(
        int(d.cinfo.output_width), int(d.cinfo.output_height), cmyk ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (decoded.isNull())
        throw std::bad_alloc();
    bool covered = false;
    if (!readScanlines(d, decoded.bits(), decoded.bytesPerLine(), covered))
        throwFailure(d.error);
    if (!covered)
        throw TPictureError("JPEG: the data ends before the picture does");
    if (cmyk)
        return cmykToRgb(decoded, d.cinfo.saw_Adobe_marker);
    return decoded;
}

QByteArray EncodeJpeg(const QImage &image)
{
    if (image.isNull())
        throw TPictureError("JPEG: nothing to encode");
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        throw std::bad_alloc();
    TCompressor c;
    c.initial = static_cast<unsigned char *>(std::malloc(kInitialEncodeBuffer));
    if (!c.initial)
        throw std::bad_alloc();
    c.output = c.initial;
    c.outputSize = kInitialEncodeBuffer;
    if (!compressRgb(c, rgb.constBits(), rgb.bytesPerLine(), rgb.width(), rgb.height()))
        throwFailure(c.error);
    return QByteArray(reinterpret_cast<const char *>(c.output), qsizetype(c.outputSize));
}

TJpegEncoderSetup JpegEncoderSetup()
{
    TCompressor c;
    TJpegEncoderSetup setup;
    if (!readEncoderSetup(c, setup))
        throwFailure(c.error);
    return setup;
}
