#pragma once

#include "engine/base/catalogue.h"
#include "engine/base/searchobserver.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// A search's front end that lists `folders` and asks for nothing else.
struct TListedFoldersObserver : TSearchObserver {
    std::vector<QByteArray> folders;
    std::vector<QByteArray> ListedFolders() const override { return folders; }
};

// A photograph-like scene: a sky-to-ground gradient, shapes with their own gradients, and pixel
// noise. The same seed draws the same scene at any size.
QImage DrawScene(quint32 seed, int width, int height);

// Writes `image` with Qt's writer (`format` "jpg", "png", "bmp", ...); fails the test on error.
// `image` turned the way `orientation` names (rotations clockwise), by Qt's own transforms.
QImage TurnedPicture(const QImage &image, TOrientation orientation);

void SavePicture(const QImage &image, const QString &path, const char *format, int quality = -1);

void WriteBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadBytes(const QString &path);

// A 24-bit BMP of `image`. BMP stores rows bottom-up, so a file's first 256 bytes are the header
// and the start of the bottom row: two pictures that differ only above it share them.
QByteArray EncodeBmp(const QImage &image);

// A single-frame GIF of `image` on a 6 x 6 x 6 colour cube (Qt writes no GIF).
QByteArray EncodeGif(const QImage &image);
