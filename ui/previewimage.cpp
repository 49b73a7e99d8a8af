#include "previewimage.h"

#include <QMouseEvent>
#include <QPainter>

namespace
{

enum { kPreviewMargin = 7 };

} // namespace

TPreviewImage::TPreviewImage(QWidget *parent)
    : QWidget(parent)
{
    setContentsMargins(kPreviewMargin, kPreviewMargin, kPreviewMargin, kPreviewMargin);
    setCursor(Qt::PointingHandCursor);
}

void TPreviewImage::SetPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

QRect TPreviewImage::PictureRect() const
{
    if (m_picture.isNull())
        return {};
    const QRect area = contentsRect();
    QSize shown = m_picture.size();
    if (shown.width() > area.width() || shown.height() > area.height())
        shown.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), shown);
    target.moveCenter(area.center());
    return target;
}

void TPreviewImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(), m_picture);
}

void TPreviewImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
