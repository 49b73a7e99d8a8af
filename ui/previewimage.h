#pragma once

#include <QImage>
#include <QWidget>

// Shows a preview bitmap centred with its aspect ratio kept: shrunk to fit, never enlarged.
class TPreviewImage : public QWidget
{
    Q_OBJECT

public:
    explicit TPreviewImage(QWidget *parent = nullptr);

    void SetPicture(const QImage &picture);
    const QImage &Picture() const { return m_picture; }
    // The rectangle the picture is drawn into, inside the margin.
    QRect PictureRect() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};
