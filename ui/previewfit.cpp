#include "ui/previewfit.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>

namespace
{

// Lives as a child of its label and refits the kept bitmap after every resize.
class TPictureFitter : public QObject
{
public:
    explicit TPictureFitter(QLabel *label)
        : QObject(label)
        , m_label(label)
    {
        label->installEventFilter(this);
    }

    void SetBitmap(const QImage &bitmap)
    {
        m_bitmap = bitmap;
        Fit();
    }

    const QImage &Bitmap() const { return m_bitmap; }

    void Fit()
    {
        if (m_bitmap.isNull()) {
            m_label->clear();
            return;
        }
        QImage shown = m_bitmap;
        const QSize area = m_label->contentsRect().size();
        if (area.isValid() && (shown.width() > area.width() || shown.height() > area.height()))
            shown = m_bitmap.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        m_label->setPixmap(QPixmap::fromImage(shown));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label && event->type() == QEvent::Resize) {
            // A label emptied from elsewhere (a search starting) stays empty.
            if (m_label->pixmap().isNull())
                m_bitmap = QImage();
            else
                Fit();
        }
        return false;
    }

private:
    QLabel *m_label;
    QImage m_bitmap;
};

TPictureFitter *FitterOf(const QLabel *label)
{
    return label->findChild<TPictureFitter *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

void ShowFittedPicture(QLabel *label, const QImage &bitmap)
{
    TPictureFitter *fitter = FitterOf(label);
    if (!fitter)
        fitter = new TPictureFitter(label);
    fitter->SetBitmap(bitmap);
}

QImage FittedPicture(const QLabel *label)
{
    if (label->pixmap().isNull())
        return {};
    const TPictureFitter *fitter = FitterOf(label);
    if (fitter && !fitter->Bitmap().isNull())
        return fitter->Bitmap();
    return label->pixmap().toImage();
}
