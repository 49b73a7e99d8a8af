#pragma once

#include <QtGlobal>

#include <chrono>
#include <cstddef>

// Bounds that every decoder of the program applies, so that a hostile or broken picture costs a
// bounded amount of memory and time and is then skipped like any unreadable one.

// A header claiming more pixels than this is refused before any pixel memory exists.
constexpr qint64 kMaxPicturePixels = 300'000'000;

// A crafted progressive JPEG can hold thousands of tiny scans, each a pass over the whole
// coefficient buffer; real encoders write fewer than a dozen.
constexpr int kMaxProgressiveScans = 500;

// libjpeg's whole-image buffers (progressive files) beyond this are refused.
constexpr long kMaxJpegDecoderMemoryMb = 384;

// QImageReader's allocation limit (PNG, BMP, GIF, TIFF).
constexpr int kReaderAllocationLimitMb = 256;

// The memory that decoding one picture may take: every pixel buffer it holds at once and, where
// a library lets them be counted, that library's own buffers. A picture that would need more is
// refused before its pixels are allocated and skipped like an unreadable one.
constexpr qint64 kDecodeMemoryBudgetBytes = 512LL * 1024 * 1024;

// LibRaw's limit for the raw data of one picture: the whole budget.
constexpr unsigned kRawMemoryLimitMb = unsigned(kDecodeMemoryBudgetBytes / (1024 * 1024));

// Files read whole into memory (every type but the ones Qt reads from the file) are refused beyond this size; a
// 300-megapixel JPEG of photographic content stays well below it.
constexpr qint64 kMaxWholeFileBytes = 256LL * 1024 * 1024;

// A picture whose decoding takes longer than this is skipped by a search.
constexpr std::chrono::milliseconds kMaxDecodeTime = std::chrono::seconds(10);

// Whether a picture of this claimed size may be decoded at all.
constexpr bool PictureSizeAllowed(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= kMaxPicturePixels && height <= kMaxPicturePixels
        && width * height <= kMaxPicturePixels;
}

// Whether a picture of this claimed size may be decoded into buffers that hold `bytesPerPixel`
// bytes for each of its pixels at once, within the budget.
constexpr bool DecodeFitsBudget(qint64 width, qint64 height, qint64 bytesPerPixel)
{
    return PictureSizeAllowed(width, height) && width * height * bytesPerPixel <= kDecodeMemoryBudgetBytes;
}
