#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

// Pictures that are valid but unusual, or crafted to cost a decoder time or memory.

// A PNG whose header claims `width` x `height` pixels over a tiny real picture.
QByteArray PngWithClaimedSize(quint32 width, quint32 height);

// A progressive JPEG of `image` (written by libjpeg's simple progression) whose last scan is
// repeated until the file holds `scans` scans.
QByteArray ProgressiveJpegWithScans(const QImage &image, int scans);

// A CMYK JPEG of `image`, written by libjpeg with the Adobe (inverted) convention.
QByteArray CmykJpeg(const QImage &image);

// A GIF of every frame in `frames` (all of the same size) one after the other.
QByteArray AnimatedGif(const QList<QImage> &frames);

// An uncompressed 8-bit RGB TIFF with one page per image.
QByteArray MultiPageTiff(const QList<QImage> &pages);
