#pragma once

#include <QImage>

constexpr int kCameraWidth = 4000;
constexpr int kCameraHeight = 3000;

// A camera-sized photograph-like scene (a graded sky, shapes with their own gradients and pixel
// noise) in Format_RGB888, brightened by `brightening` levels; the same seed draws the same scene.
QImage DrawCameraScene(quint32 seed, int brightening);
