#include "engine/decode/jpegdetour.h"

#include "engine/base/avx2clones.h"
#include "engine/decode/jpegcodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <new>
#include <numeric>
#include <vector>

// The arithmetic below follows libjpeg-turbo step by step (jccolor.c, jcsample.c, jcprepct.c,
// jfdctint.c, jcdctmgr.c on the way in; jidctred.c and jdcolor.c on the way out), so that the
// pixels are the ones its decoder would deliver from the encoded picture.

namespace
{

constexpr int kBlockSide = 8;
constexpr int kBlockArea = kBlockSide * kBlockSide;
// One MCU of a 4:2:0 picture: 2 x 2 luma blocks beside one block of each chroma component.
constexpr int kMcuSide = 2 * kBlockSide;
constexpr int kCentre = 128;
constexpr int kMaxSample = 255;

// Fixed-point colour conversion of jccolor.c and jdcolor.c: 16 fraction bits.
constexpr int kScaleBits = 16;
constexpr int kHalf = 1 << (kScaleBits - 1);
constexpr int kChromaOffset = kCentre << kScaleBits;
constexpr int kRedToY = 19595, kGreenToY = 38470, kBlueToY = 7471;
constexpr int kRedToCb = -11059, kGreenToCb = -21709, kBlueToCb = 32768;
constexpr int kRedToCr = 32768, kGreenToCr = -27439, kBlueToCr = -5329;
constexpr int kCrToR = 91881, kCbToB = 116130, kCbToG = -22554, kCrToG = -46802;

// Fixed-point DCTs of jfdctint.c and jidctred.c.
constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;
constexpr int kFix0_211164243 = 1730, kFix0_298631336 = 2446, kFix0_390180644 = 3196, kFix0_509795579 = 4176,
              kFix0_541196100 = 4433, kFix0_601344887 = 4926, kFix0_720959822 = 5906, kFix0_765366865 = 6270,
              kFix0_850430095 = 6967, kFix0_899976223 = 7373, kFix1_061594337 = 8697, kFix1_175875602 = 9633,
              kFix1_272758580 = 10426, kFix1_451774981 = 11893, kFix1_501321110 = 12299, kFix1_847759065 = 15137,
              kFix1_961570560 = 16069, kFix2_053119869 = 16819, kFix2_172734803 = 17799, kFix2_562915447 = 20995,
              kFix3_072711026 = 25172, kFix3_624509785 = 29692;

// Everything stays within 32 bits for 8-bit samples, as in libjpeg-turbo's SIMD code.
constexpr int descale(int value, int bits) { return (value + (1 << (bits - 1))) >> bits; }

int ceilDiv(int value, int divisor) { return (value + divisor - 1) / divisor; }

// libjpeg's range-limit tables clamp; after the inverse DCT its C code wraps values beyond +-512
// around instead, which quantisation at quality 90 of 8-bit samples never comes near.
inline uint8_t clampSample(int value) { return uint8_t(std::clamp(value, 0, kMaxSample)); }

// jcdctmgr.c divides by multiplying with a rounded reciprocal of the 16-bit DCT elements.
struct TDivisor {
    std::uint32_t reciprocal = 1;
    std::uint32_t correction = 0;
    int shift = 0;
};

TDivisor reciprocalOf(unsigned divisor)
{
    int shift = 16 + std::bit_width(divisor) - 1;
    std::uint64_t reciprocal = (std::uint64_t(1) << shift) / divisor;
    const std::uint64_t remainder = (std::uint64_t(1) << shift) % divisor;
    std::uint32_t correction = divisor / 2;
    if (remainder == 0) {
        reciprocal >>= 1;
        --shift;
    } else if (remainder <= divisor / 2) {
        ++correction;
    } else {
        ++reciprocal;
    }
    return { std::uint32_t(reciprocal), correction, shift };
}

// Written without branches, so that it runs in vector registers.
inline int quantise(int value, const TDivisor &divisor)
{
    const auto magnitude = std::uint32_t(value < 0 ? -value : value);
    const int quotient = int(((magnitude + divisor.correction) * divisor.reciprocal) >> divisor.shift);
    return value < 0 ? -quotient : quotient;
}

struct TQuantTable {
    std::array<int, kBlockArea> step {};
    std::array<TDivisor, kBlockArea> divisor {};
};

struct TEncoder {
    bool covered = false;
    int maxSide = 0;
    TQuantTable luma;
    TQuantTable chroma;
};

TQuantTable quantTable(const std::array<quint16, kBlockArea> &steps)
{
    TQuantTable table;
    for (int k = 0; k < kBlockArea; ++k) {
        table.step[k] = steps[k];
        // The islow forward DCT leaves its results scaled up by 8.
        table.divisor[k] = reciprocalOf(unsigned(steps[k]) * kBlockSide);
    }
    return table;
}

const TEncoder &encoder()
{
    static const TEncoder instance = [] {
        const TJpegEncoderSetup setup = JpegEncoderSetup();
        return TEncoder { setup.YCbCr420 && setup.IslowDct, setup.MaxSide, quantTable(setup.LumaTable),
            quantTable(setup.ChromaTable) };
    }();
    return instance;
}

// One pass of the islow forward DCT over the eight values data[0], data[step] ... data[7 * step].
// The first pass keeps kPass1Bits more bits, the second takes them off again.
template <bool FirstPass> [[gnu::always_inline]] inline void forwardDctPass(int *data, int step)
{
    const auto at = [data, step](int k) -> int & { return data[k * step]; };
    const int tmp0 = at(0) + at(7), tmp7 = at(0) - at(7);
    const int tmp1 = at(1) + at(6), tmp6 = at(1) - at(6);
    const int tmp2 = at(2) + at(5), tmp5 = at(2) - at(5);
    const int tmp3 = at(3) + at(4), tmp4 = at(3) - at(4);
    const int tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3;
    const int tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    constexpr int bits = FirstPass ? kConstBits - kPass1Bits : kConstBits + kPass1Bits;
    if constexpr (FirstPass) {
        at(0) = (tmp10 + tmp11) * (1 << kPass1Bits);
        at(4) = (tmp10 - tmp11) * (1 << kPass1Bits);
    } else {
        at(0) = descale(tmp10 + tmp11, kPass1Bits);
        at(4) = descale(tmp10 - tmp11, kPass1Bits);
    }
    const int rotated = (tmp12 + tmp13) * kFix0_541196100;
    at(2) = descale(rotated + tmp13 * kFix0_765366865, bits);
    at(6) = descale(rotated - tmp12 * kFix1_847759065, bits);

    const int z5 = (tmp4 + tmp6 + tmp5 + tmp7) * kFix1_175875602;
    const int z1 = (tmp4 + tmp7) * -kFix0_899976223;
    const int z2 = (tmp5 + tmp6) * -kFix2_562915447;
    const int z3 = (tmp4 + tmp6) * -kFix1_961570560 + z5;
    const int z4 = (tmp5 + tmp7) * -kFix0_390180644 + z5;
    at(7) = descale(tmp4 * kFix0_298631336 + z1 + z3, bits);
    at(5) = descale(tmp5 * kFix2_053119869 + z2 + z4, bits);
    at(3) = descale(tmp6 * kFix3_072711026 + z2 + z3, bits);
    at(1) = descale(tmp7 * kFix1_501321110 + z1 + z4, bits);
}

// The frequencies (rows and columns alike) that jidctred.c reads for an output of 2 x 2 and of
// 4 x 4 pixels a block; the other coefficients never reach the picture.
constexpr std::array<int, 5> kReadForSide2 = { 0, 1, 3, 5, 7 };
constexpr std::array<int, 7> kReadForSide4 = { 0, 1, 2, 3, 5, 6, 7 };

// Eight blocks side by side, value i of block b at [i * kLanes + b], so that every step below runs
// over the eight blocks at once in vector registers.
constexpr int kLanes = 8;
template <int Values> using TLanes = std::array<int, std::size_t(Values) * kLanes>;

// jpeg_idct_2x2: two outputs from the odd frequencies and the DC of one row or column.
template <int Bits> [[gnu::always_inline]] inline std::array<int, 2> inverseDct2(const int *c, int step)
{
    const int even = c[0] * (1 << (kConstBits + 2));
    const int odd = c[7 * step] * -kFix0_720959822 + c[5 * step] * kFix0_850430095 + c[3 * step] * -kFix1_272758580
        + c[step] * kFix3_624509785;
    return { descale(even + odd, Bits), descale(even - odd, Bits) };
}

// jpeg_idct_4x4: four outputs from every frequency but 4 of one row or column.
template <int Bits> [[gnu::always_inline]] inline std::array<int, 4> inverseDct4(const int *c, int step)
{
    const int dc = c[0] * (1 << (kConstBits + 1));
    const int even = c[2 * step] * kFix1_847759065 + c[6 * step] * -kFix0_765366865;
    const int tmp10 = dc + even, tmp12 = dc - even;
    const int z1 = c[7 * step], z2 = c[5 * step], z3 = c[3 * step], z4 = c[step];
    const int tmp0 = z1 * -kFix0_211164243 + z2 * kFix1_451774981 + z3 * -kFix2_172734803 + z4 * kFix1_061594337;
    const int tmp2 = z1 * -kFix0_509795579 + z2 * -kFix0_601344887 + z3 * kFix0_899976223 + z4 * kFix2_562915447;
    return { descale(tmp10 + tmp2, Bits), descale(tmp12 + tmp0, Bits), descale(tmp12 - tmp0, Bits),
        descale(tmp10 - tmp2, Bits) };
}

// The Side x Side pixels that libjpeg's reduced inverse DCT makes of each of eight 8 x 8 blocks of
// samples, pixel p of block b at out[p * kLanes + b]. Only the coefficients that the inverse DCT
// reads are quantised and dequantised.
template <int Side, std::size_t Count, typename TPass1, typename TPass2>
void reducedBlocks(const std::array<const uint8_t *, kLanes> &samples, int stride, const TQuantTable &table,
    const std::array<int, Count> &read, TPass1 pass1, TPass2 pass2, TLanes<Side * Side> &out)
{
    // Sample (row, column) at [row * kBlockSide + column], then coefficient (row, column) there.
    TLanes<kBlockArea> values;
    for (int row = 0; row < kBlockSide; ++row) {
        int *line = &values[std::size_t(row) * kBlockSide * kLanes];
        for (int block = 0; block < kLanes; ++block)
            for (int column = 0; column < kBlockSide; ++column)
                line[column * kLanes + block] = samples[std::size_t(block)][row * stride + column] - kCentre;
        for (int block = 0; block < kLanes; ++block)
            forwardDctPass<true>(line + block, kLanes);
    }
    for (int column : read)
        for (int block = 0; block < kLanes; ++block)
            forwardDctPass<false>(&values[std::size_t(column) * kLanes + block], kBlockSide * kLanes);
    for (int row : read) {
        for (int column : read) {
            const int k = row * kBlockSide + column;
            for (int block = 0; block < kLanes; ++block) {
                int &value = values[std::size_t(k) * kLanes + block];
                value = quantise(value, table.divisor[k]) * table.step[k];
            }
        }
    }
    // The inverse DCT: columns into a work array, then its rows into pixels.
    TLanes<Side * kBlockSide> work;
    for (int column : read) {
        for (int block = 0; block < kLanes; ++block) {
            const auto columnValues = pass1(&values[std::size_t(column) * kLanes + block], kBlockSide * kLanes);
            for (int row = 0; row < Side; ++row)
                work[std::size_t(row * kBlockSide + column) * kLanes + block] = columnValues[row];
        }
    }
    for (int row = 0; row < Side; ++row) {
        for (int block = 0; block < kLanes; ++block) {
            const auto rowValues = pass2(&work[std::size_t(row) * kBlockSide * kLanes + block], kLanes);
            for (int column = 0; column < Side; ++column)
                out[std::size_t(row * Side + column) * kLanes + block] = rowValues[column] + kCentre;
        }
    }
}

template <int Side>
void reducedBlocks(
    const std::array<const uint8_t *, kLanes> &samples, int stride, const TQuantTable &table, TLanes<Side * Side> &out)
{
    // Lambdas rather than function pointers, so that the passes are inlined into the lane loops.
    if constexpr (Side == 2) {
        reducedBlocks<2>(
            samples, stride, table, kReadForSide2,
            [](const int *c, int step) { return inverseDct2<kConstBits - kPass1Bits + 2>(c, step); },
            [](const int *c, int step) { return inverseDct2<kConstBits + kPass1Bits + 3 + 2>(c, step); }, out);
    } else {
        reducedBlocks<4>(
            samples, stride, table, kReadForSide4,
            [](const int *c, int step) { return inverseDct4<kConstBits - kPass1Bits + 1>(c, step); },
            [](const int *c, int step) { return inverseDct4<kConstBits + kPass1Bits + 3 + 1>(c, step); }, out);
    }
}

// The one pixel of a block at scale 1/8: the DC coefficient is the plain sum of the centred
// samples, and jpeg_idct_1x1 divides it by 8.
uint8_t dcPixel(const uint8_t *samples, int stride, const TQuantTable &table)
{
    int sum = 0;
    for (int row = 0; row < kBlockSide; ++row)
        for (int column = 0; column < kBlockSide; ++column)
            sum += samples[row * stride + column];
    const int dc = quantise(sum - kBlockArea * kCentre, table.divisor[0]) * table.step[0];
    return clampSample(descale(dc, 3) + kCentre);
}

struct TRgb32Pixels {
    static void read(const uchar *row, int x, int &r, int &g, int &b)
    {
        const QRgb pixel = reinterpret_cast<const QRgb *>(row)[x];
        r = qRed(pixel);
        g = qGreen(pixel);
        b = qBlue(pixel);
    }
};

struct TRgb888Pixels {
    static void read(const uchar *row, int x, int &r, int &g, int &b)
    {
        r = row[3 * x];
        g = row[3 * x + 1];
        b = row[3 * x + 2];
    }
};

struct TGreyPixels {
    static void read(const uchar *row, int x, int &r, int &g, int &b) { r = g = b = row[x]; }
};

// Which blocks along one side the chosen output pixels lie in: the luma blocks and the MCUs.
struct TNeeded {
    std::vector<bool> lumaBlocks;
    std::vector<bool> mcus;

    TNeeded(const std::vector<int> &pixels, int lumaSide, int side)
        : lumaBlocks(std::size_t(ceilDiv(side, kBlockSide)))
        , mcus(std::size_t(ceilDiv(side, kMcuSide)))
    {
        for (int pixel : pixels) {
            lumaBlocks[std::size_t(pixel / lumaSide)] = true;
            mcus[std::size_t(pixel / (2 * lumaSide))] = true;
        }
    }
};

// A plane of one component at the output scale.
struct TPlane {
    int width = 0;
    std::vector<uint8_t> samples;

    TPlane(int w, int h)
        : width(w)
        , samples(std::size_t(w) * h)
    {
    }

    uint8_t at(int x, int y) const { return samples[std::size_t(y) * width + x]; }

    // Copies a Side x Side block whose top-left pixel lands at (x, y), cut at the plane's edges.
    void put(const uint8_t *block, int side, int x, int y)
    {
        const int height = int(samples.size()) / width;
        for (int row = 0; row < side && y + row < height; ++row)
            std::copy_n(block + row * side, std::min(side, width - x), &samples[std::size_t(y + row) * width + x]);
    }
};

// One row of MCUs in Y, Cb and Cr, the chroma averaged over 2 x 2 pixels, extended past the
// picture's right and bottom edges the way the compressor pads its buffers (jcsample.c's
// expand_right_edge, jcprepct.c's expand_bottom_edge).
template <typename TPixels> class TMcuRow
{
public:
    TMcuRow(const QImage &picture, int mcuColumns)
        : stride(mcuColumns * kMcuSide)
        , luma(std::size_t(stride) * kMcuSide)
        , cb(std::size_t(stride / 2) * kBlockSide)
        , cr(std::size_t(stride / 2) * kBlockSide)
        , m_picture(picture)
        , m_width(picture.width())
        , m_height(picture.height())
        , m_chromaRows(ceilDiv(m_height, 2))
        , m_pixelCb(std::size_t(2 * stride))
        , m_pixelCr(std::size_t(2 * stride))
    {
    }

    // Fills the MCUs `mcuRow` and their columns [firstMcu, endMcu).
    void convert(int mcuRow, int firstMcu, int endMcu)
    {
        const int top = mcuRow * kMcuSide;
        const int begin = firstMcu * kMcuSide;
        const int end = endMcu * kMcuSide;
        for (int pair = 0; pair < kBlockSide; ++pair) {
            const int chromaRow = top / 2 + pair;
            if (chromaRow < m_chromaRows) {
                for (int half = 0; half < 2; ++half) {
                    const int y = std::min(2 * chromaRow + half, m_height - 1);
                    convertRow(m_picture.constScanLine(y), begin, end, &luma[std::size_t(2 * pair + half) * stride],
                        &m_pixelCb[std::size_t(half) * stride], &m_pixelCr[std::size_t(half) * stride]);
                }
                subsample(m_pixelCb.data(), &cb[std::size_t(pair) * stride / 2], begin, end);
                subsample(m_pixelCr.data(), &cr[std::size_t(pair) * stride / 2], begin, end);
                continue;
            }
            const auto repeat = [&](std::vector<uint8_t> &samples, int rowStride, int row, int last) {
                std::copy(&samples[std::size_t(last) * rowStride + begin * rowStride / stride],
                    &samples[std::size_t(last) * rowStride + end * rowStride / stride],
                    &samples[std::size_t(row) * rowStride + begin * rowStride / stride]);
            };
            repeat(luma, stride, 2 * pair, m_height - 1 - top);
            repeat(luma, stride, 2 * pair + 1, m_height - 1 - top);
            repeat(cb, stride / 2, pair, m_chromaRows - 1 - top / 2);
            repeat(cr, stride / 2, pair, m_chromaRows - 1 - top / 2);
        }
    }

    const int stride;
    std::vector<uint8_t> luma;
    std::vector<uint8_t> cb;
    std::vector<uint8_t> cr;

private:
    // jccolor.c's conversion of each pixel; columns past the picture repeat its last one.
    QUORVANE_AVX2_CLONES void convertRow(
        const uchar *row, int begin, int end, uint8_t *y, int16_t *pixelCb, int16_t *pixelCr) const
    {
        const int inside = std::min(end, m_width);
        for (int x = begin; x < inside; ++x) {
            int r, g, b;
            TPixels::read(row, x, r, g, b);
            y[x] = uint8_t((kRedToY * r + kGreenToY * g + kBlueToY * b + kHalf) >> kScaleBits);
            pixelCb[x]
                = int16_t((kRedToCb * r + kGreenToCb * g + kBlueToCb * b + kChromaOffset + kHalf - 1) >> kScaleBits);
            pixelCr[x]
                = int16_t((kRedToCr * r + kGreenToCr * g + kBlueToCr * b + kChromaOffset + kHalf - 1) >> kScaleBits);
        }
        for (int x = std::max(begin, m_width); x < end; ++x) {
            y[x] = y[m_width - 1];
            pixelCb[x] = pixelCb[m_width - 1];
            pixelCr[x] = pixelCr[m_width - 1];
        }
    }

    // jcsample.c's h2v2 average of two rows, rounding alternately down and up along the row.
    // An MCU starts at an even column, so the columns go in pairs of one rounding each.
    void subsample(const int16_t *pixels, uint8_t *out, int begin, int end) const
    {
        const int16_t *lower = pixels + stride;
        const auto average = [&](int column, int bias) {
            return uint8_t(
                (pixels[2 * column] + pixels[2 * column + 1] + lower[2 * column] + lower[2 * column + 1] + bias) >> 2);
        };
        for (int column = begin / 2; column < end / 2; column += 2) {
            out[column] = average(column, 1);
            out[column + 1] = average(column + 1, 2);
        }
    }

    const QImage &m_picture;
    const int m_width;
    const int m_height;
    const int m_chromaRows;
    std::vector<int16_t> m_pixelCb;
    std::vector<int16_t> m_pixelCr;
};

// Blocks gathered until every lane is taken, then computed at once and put in their planes.
template <int Side> class TBlockBatch
{
public:
    TBlockBatch(const TQuantTable &table, int stride)
        : m_table(table)
        , m_stride(stride)
    {
    }

    void add(const uint8_t *samples, TPlane &plane, int x, int y)
    {
        m_samples[std::size_t(m_count)] = samples;
        m_targets[std::size_t(m_count)] = { &plane, x, y };
        if (++m_count == kLanes)
            flush();
    }

    // Must run before the samples of the blocks added change.
    void flush()
    {
        if (m_count == 0)
            return;
        std::fill(m_samples.begin() + m_count, m_samples.end(), m_samples[0]);
        TLanes<Side * Side> pixels;
        reducedBlocks<Side>(m_samples, m_stride, m_table, pixels);
        for (int lane = 0; lane < m_count; ++lane) {
            std::array<uint8_t, Side * Side> block;
            for (int pixel = 0; pixel < Side * Side; ++pixel)
                block[std::size_t(pixel)] = clampSample(pixels[std::size_t(pixel) * kLanes + lane]);
            const TTarget &target = m_targets[std::size_t(lane)];
            target.plane->put(block.data(), Side, target.x, target.y);
        }
        m_count = 0;
    }

private:
    struct TTarget {
        TPlane *plane = nullptr;
        int x = 0;
        int y = 0;
    };

    const TQuantTable &m_table;
    const int m_stride;
    int m_count = 0;
    std::array<const uint8_t *, kLanes> m_samples {};
    std::array<TTarget, kLanes> m_targets {};
};

template <int LumaSide, typename TPixels>
QImage shortcut(const QImage &picture, const std::vector<int> &columns, const std::vector<int> &rows)
{
    constexpr int chromaSide = 2 * LumaSide;
    constexpr int scale = kBlockSide / LumaSide;
    const TEncoder &tables = encoder();
    const int width = picture.width();
    const int height = picture.height();
    const TNeeded across(columns, LumaSide, width);
    const TNeeded down(rows, LumaSide, height);
    const int mcuColumns = int(across.mcus.size());
    TPlane luma(ceilDiv(width, scale), ceilDiv(height, scale));
    TPlane cb = luma;
    TPlane cr = luma;
    // Converting the whole span of needed MCUs in one run is faster than skipping the few between them.
    const auto firstNeeded = std::find(across.mcus.begin(), across.mcus.end(), true);
    const int firstMcu = int(firstNeeded - across.mcus.begin());
    const int endMcu = int(across.mcus.rend() - std::find(across.mcus.rbegin(), across.mcus.rend(), true));
    TMcuRow<TPixels> strip(picture, mcuColumns);
    // Luma blocks go through the batch at 1/4 only; at 1/8 each is its DC alone (dcPixel).
    TBlockBatch<2> lumaBatch(tables.luma, strip.stride);
    TBlockBatch<chromaSide> chromaBatch(tables.chroma, strip.stride / 2);
    for (int mcuRow = 0; mcuRow < int(down.mcus.size()); ++mcuRow) {
        if (!down.mcus[std::size_t(mcuRow)])
            continue;
        strip.convert(mcuRow, firstMcu, endMcu);
        for (int mcuColumn = 0; mcuColumn < mcuColumns; ++mcuColumn) {
            if (!across.mcus[std::size_t(mcuColumn)])
                continue;
            for (int blockRow = 2 * mcuRow; blockRow < std::min(2 * mcuRow + 2, int(down.lumaBlocks.size()));
                 ++blockRow) {
                for (int blockColumn = 2 * mcuColumn;
                     blockColumn < std::min(2 * mcuColumn + 2, int(across.lumaBlocks.size())); ++blockColumn) {
                    if (!down.lumaBlocks[std::size_t(blockRow)] || !across.lumaBlocks[std::size_t(blockColumn)])
                        continue;
                    const uint8_t *samples = &strip.luma[std::size_t(blockRow - 2 * mcuRow) * kBlockSide * strip.stride
                        + blockColumn * kBlockSide];
                    if constexpr (LumaSide == 1) {
                        const uint8_t pixel = dcPixel(samples, strip.stride, tables.luma);
                        luma.put(&pixel, 1, blockColumn, blockRow);
                    } else {
                        lumaBatch.add(samples, luma, blockColumn * LumaSide, blockRow * LumaSide);
                    }
                }
            }
            chromaBatch.add(&strip.cb[mcuColumn * kBlockSide], cb, mcuColumn * chromaSide, mcuRow * chromaSide);
            chromaBatch.add(&strip.cr[mcuColumn * kBlockSide], cr, mcuColumn * chromaSide, mcuRow * chromaSide);
        }
        lumaBatch.flush();
        chromaBatch.flush();
    }
    // jdcolor.c's conversion back to RGB, for the chosen pixels only.
    QImage decoded(int(columns.size()), int(rows.size()), QImage::Format_RGB888);
    if (decoded.isNull())
        throw std::bad_alloc();
    for (int j = 0; j < decoded.height(); ++j) {
        uchar *target = decoded.scanLine(j);
        for (int x : columns) {
            const int y = rows[std::size_t(j)];
            const int brightness = luma.at(x, y);
            const int blueDifference = cb.at(x, y) - kCentre;
            const int redDifference = cr.at(x, y) - kCentre;
            *target++ = clampSample(brightness + ((kCrToR * redDifference + kHalf) >> kScaleBits));
            *target++
                = clampSample(brightness + ((kCbToG * blueDifference + kHalf + kCrToG * redDifference) >> kScaleBits));
            *target++ = clampSample(brightness + ((kCbToB * blueDifference + kHalf) >> kScaleBits));
        }
    }
    return decoded;
}

template <int LumaSide>
QImage shortcutFor(const QImage &picture, const std::vector<int> &columns, const std::vector<int> &rows)
{
    switch (picture.format()) {
    case QImage::Format_RGB32:
        return shortcut<LumaSide, TRgb32Pixels>(picture, columns, rows);
    case QImage::Format_Grayscale8:
        return shortcut<LumaSide, TGreyPixels>(picture, columns, rows);
    case QImage::Format_RGB888:
        return shortcut<LumaSide, TRgb888Pixels>(picture, columns, rows);
    default: {
        // EncodeJpeg converts the same way before it encodes.
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull())
            throw std::bad_alloc();
        return shortcut<LumaSide, TRgb888Pixels>(rgb, columns, rows);
    }
    }
}

std::vector<int> everyIndex(int count)
{
    std::vector<int> indexes(static_cast<std::size_t>(count));
    std::iota(indexes.begin(), indexes.end(), 0);
    return indexes;
}

}

int ScaledSide(int side, int scaleDenominator) { return ceilDiv(side, scaleDenominator); }

std::optional<QImage> DetourShortcut(
    const QImage &picture, int scaleDenominator, const std::vector<int> &columns, const std::vector<int> &rows)
{
    // A picture the encoder refuses is left to the round trip, which fails the way it always did.
    const TEncoder &setup = encoder();
    if (picture.isNull() || !setup.covered || picture.width() > setup.maxSide || picture.height() > setup.maxSide)
        return std::nullopt;
    if (scaleDenominator == 8)
        return shortcutFor<1>(picture, columns, rows);
    if (scaleDenominator == 4)
        return shortcutFor<2>(picture, columns, rows);
    return std::nullopt;
}

std::optional<QImage> DetourShortcut(const QImage &picture, int scaleDenominator)
{
    return DetourShortcut(picture, scaleDenominator, everyIndex(ScaledSide(picture.width(), scaleDenominator)),
        everyIndex(ScaledSide(picture.height(), scaleDenominator)));
}

QImage JpegDetour(const QImage &picture, int scaleDenominator, TJpegDetour detour)
{
    if (detour == TJpegDetour::Shortcut) {
        if (std::optional<QImage> decoded = DetourShortcut(picture, scaleDenominator))
            return *std::move(decoded);
    }
    return DecodeJpeg(EncodeJpeg(picture), scaleDenominator);
}
