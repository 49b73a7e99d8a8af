#pragma once

#include <QImage>

class QLabel;

// Shows `bitmap` in the label centred with its aspect ratio kept: shrunk to fit the label, never
// enlarged. The label keeps the bitmap and fits it again whenever it is resized.
void ShowFittedPicture(QLabel *label, const QImage &bitmap);

// The full-size bitmap the label shows (whatever picture it was given when not through
// ShowFittedPicture); null when the label is empty.
QImage FittedPicture(const QLabel *label);
