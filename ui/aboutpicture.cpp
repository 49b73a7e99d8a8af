#include "ui/aboutpicture.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr qreal kDrawingSide = 128.0;

void DrawPhotograph(QPainter &painter, QPointF centre, qreal angle, QColor sky)
{
    painter.save();
    painter.translate(centre);
    painter.rotate(angle);
    const QRectF frame(-38, -30, 76, 60);
    painter.setPen(QPen(QColor(90, 90, 90), 1.5));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(frame, 3, 3);
    const QRectF picture = frame.adjusted(5, 5, -5, -5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRect(picture);
    painter.setBrush(QColor(250, 210, 70));
    painter.drawEllipse(QPointF(picture.right() - 12, picture.top() + 11), 6, 6);
    QPainterPath hills;
    hills.moveTo(picture.bottomLeft());
    hills.lineTo(picture.left() + 20, picture.top() + 26);
    hills.lineTo(picture.left() + 36, picture.bottom() - 10);
    hills.lineTo(picture.left() + 48, picture.top() + 30);
    hills.lineTo(picture.bottomRight());
    hills.closeSubpath();
    painter.setBrush(QColor(60, 140, 75));
    painter.drawPath(hills);
    painter.restore();
}

}

QPixmap DrawAboutPicture(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / kDrawingSide, side / kDrawingSide);

    DrawPhotograph(painter, QPointF(50, 48), -10, QColor(135, 190, 235));
    DrawPhotograph(painter, QPointF(72, 66), 8, QColor(120, 175, 230));

    const QPointF lensCentre(82, 80);
    constexpr qreal kLensRadius = 22;
    painter.setPen(QPen(QColor(60, 60, 70), 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(lensCentre + QPointF(16, 16), QPointF(118, 118));
    painter.setPen(QPen(QColor(39, 89, 173), 6));
    painter.setBrush(QColor(255, 255, 255, 90));
    painter.drawEllipse(lensCentre, kLensRadius, kLensRadius);
    return pixmap;
}
