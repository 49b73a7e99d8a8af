#pragma once

#include <QLabel>

// A label that reports a left click, for text that acts as a link.
class TClickableLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
