#include "picturefixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QTransform>

#include <gtest/gtest.h>

#include <random>

namespace
{

constexpr int kShapeCount = 9;
constexpr int kNoiseAmplitude = 12;

QColor randomColour(std::mt19937 &random) { return QColor(random() % 256, random() % 256, random() % 256); }

double unit(std::mt19937 &random) { return (random() % 10000) / 10000.0; }

}

QImage TurnedPicture(const QImage &image, TOrientation orientation)
{
    const auto rotated = [&](int degrees) { return image.transformed(QTransform().rotate(degrees)); };
    switch (orientation) {
    case TOrientation::Unturned:
        return image;
    case TOrientation::MirroredLeftRight:
        return image.mirrored(true, false);
    case TOrientation::MirroredTopBottom:
        return image.mirrored(false, true);
    case TOrientation::Rotated180:
        return rotated(180);
    case TOrientation::Transposed:
        return rotated(90).mirrored(true, false);
    case TOrientation::Rotated270:
        return rotated(270);
    case TOrientation::Rotated90:
        return rotated(90);
    case TOrientation::Antitransposed:
        return rotated(90).mirrored(false, true);
    }
    return image;
}

QImage DrawScene(quint32 seed, int width, int height)
{
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, width * unit(random), height);
    background.setColorAt(0, randomColour(random));
    background.setColorAt(0.5, randomColour(random));
    background.setColorAt(1, randomColour(random));
    painter.fillRect(image.rect(), background);
    painter.setPen(Qt::NoPen);
    for (int shape = 0; shape < kShapeCount; ++shape) {
        const QRectF box(width * unit(random) * 0.8, height * unit(random) * 0.8, width * (0.1 + 0.4 * unit(random)),
            height * (0.1 + 0.4 * unit(random)));
        QRadialGradient fill(box.center(), std::max(box.width(), box.height()) / 2);
        fill.setColorAt(0, randomColour(random));
        fill.setColorAt(1, randomColour(random));
        painter.setBrush(fill);
        if (random() % 2)
            painter.drawEllipse(box);
        else
            painter.drawRect(box);
    }
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(random() % (2 * kNoiseAmplitude + 1)) - kNoiseAmplitude;
            const QRgb pixel = row[x];
            row[x] = qRgb(std::clamp(qRed(pixel) + noise, 0, 255), std::clamp(qGreen(pixel) + noise, 0, 255),
                std::clamp(qBlue(pixel) + noise, 0, 255));
        }
    }
    return image;
}

void SavePicture(const QImage &image, const QString &path, const char *format, int quality)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    ASSERT_TRUE(writer.write(image)) << qPrintable(writer.errorString()) << " " << qPrintable(path);
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray EncodeBmp(const QImage &image)
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.convertToFormat(QImage::Format_RGB888).save(&buffer, "bmp"));
    return bmp;
}

QByteArray EncodeGif(const QImage &image)
{
    // 6 x 6 x 6 colour cube, padded to 256 entries.
    const auto levelOf = [](int channel) { return (channel * 5 + 127) / 255; };
    QByteArray gif("GIF89a");
    const auto put16 = [&gif](int value) {
        gif += char(value & 0xFF);
        gif += char(value >> 8);
    };
    put16(image.width());
    put16(image.height());
    gif += char(0xF7); // global colour table of 256 entries
    gif += char(0);
    gif += char(0);
    for (int i = 0; i < 256; ++i) {
        const int cube = std::min(i, 215);
        gif += char(cube / 36 * 51);
        gif += char(cube / 6 % 6 * 51);
        gif += char(cube % 6 * 51);
    }
    gif += ',';
    put16(0);
    put16(0);
    put16(image.width());
    put16(image.height());
    gif += char(0);
    constexpr int kMinCodeSize = 8;
    constexpr int kClearCode = 256;
    constexpr int kEndCode = 257;
    constexpr int kCodeBits = 9;
    // Literal codes only, with a clear code often enough that the code width never grows.
    constexpr int kLiteralsPerClear = 250;
    gif += char(kMinCodeSize);
    QByteArray stream;
    quint32 bitBuffer = 0;
    int bitCount = 0;
    const auto putCode = [&](int code) {
        bitBuffer |= quint32(code) << bitCount;
        bitCount += kCodeBits;
        while (bitCount >= 8) {
            stream += char(bitBuffer & 0xFF);
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int literals = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            if (literals % kLiteralsPerClear == 0)
                putCode(kClearCode);
            const QRgb pixel = rgb.pixel(x, y);
            putCode(levelOf(qRed(pixel)) * 36 + levelOf(qGreen(pixel)) * 6 + levelOf(qBlue(pixel)));
            ++literals;
        }
    putCode(kEndCode);
    if (bitCount > 0)
        stream += char(bitBuffer & 0xFF);
    for (qsizetype offset = 0; offset < stream.size(); offset += 255) {
        const QByteArray block = stream.mid(offset, 255);
        gif += char(block.size());
        gif += block;
    }
    gif += char(0);
    gif += ';';
    return gif;
}
