#include "camerascene.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <random>

namespace
{

constexpr int kShapeCount = 12;
constexpr int kNoiseAmplitude = 6;

}

QImage DrawCameraScene(quint32 seed, int brightening)
{
    std::mt19937 random(seed);
    const auto colour = [&random] { return QColor(random() % 256, random() % 256, random() % 256); };
    const auto unit = [&random] { return (random() % 10000) / 10000.0; };
    QImage image(kCameraWidth, kCameraHeight, QImage::Format_RGB888);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, kCameraWidth * unit(), kCameraHeight);
    sky.setColorAt(0, colour());
    sky.setColorAt(0.5, colour());
    sky.setColorAt(1, colour());
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    for (int shape = 0; shape < kShapeCount; ++shape) {
        const QRectF box(kCameraWidth * unit() * 0.8, kCameraHeight * unit() * 0.8, kCameraWidth * (0.1 + 0.3 * unit()),
            kCameraHeight * (0.1 + 0.3 * unit()));
        QRadialGradient fill(box.center(), std::max(box.width(), box.height()) / 2);
        fill.setColorAt(0, colour());
        fill.setColorAt(1, colour());
        painter.setBrush(fill);
        if (random() % 2)
            painter.drawEllipse(box);
        else
            painter.drawRect(box);
    }
    painter.end();
    quint32 state = seed;
    for (int y = 0; y < kCameraHeight; ++y) {
        uchar *pixel = image.scanLine(y);
        for (int x = 0; x < 3 * kCameraWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 24) % (2 * kNoiseAmplitude + 1) - kNoiseAmplitude;
            pixel[x] = uchar(std::clamp(pixel[x] + noise + brightening, 0, 255));
        }
    }
    return image;
}
