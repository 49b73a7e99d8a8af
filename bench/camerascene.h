#pragma once

#include <QImage>

constexpr int kCameraWidth = 4000;
constexpr int kCameraHeight = 3000;

// A camera-sized, photograph-like scene: gradients, soft shapes and sensor-like noise, all drawn
// from `seed`; `brightening` is added to every channel, as an edited copy would be.
QImage DrawCameraScene(quint32 seed, int brightening = 0);
