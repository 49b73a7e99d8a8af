#include "ui/previewpart.h"

#include "engine/results/textformat.h"
#include "ui/mainunit.h"
#include "ui/pairlistmodel.h"
#include "ui/previewfit.h"
#include "ui/previewpicture.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>

namespace
{

// "JPG  220 x 290  17 KB": the type from the name, the rest from the catalogue record.
QString DetailsLine(const TPicInfo &picture)
{
    const QString name = QFile::decodeName(picture.FileName);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString type = dot < 0 ? QString() : name.mid(dot + 1).toUpper();
    return type + QStringLiteral("  ") + QString::number(picture.Width) + QStringLiteral(" x ")
        + QString::number(picture.Height) + QStringLiteral("  ") + SizeToText(picture.Size);
}

QImage PreviewBitmap(int32_t picture)
{
    const TPicInfo &info = MainUnit.Catalogue.Pictures[picture];
    return ReducePreviewPicture(LoadPreviewPicture(FullPath(MainUnit.Catalogue, picture)), info.Width, info.Height);
}

QImage Framed(QImage bitmap)
{
    ShowPreviewFrame(bitmap);
    return bitmap;
}

} // namespace

TPreviewPart::TPreviewPart(
    const TPreviewWidgets &widgets, TPairListModel *model, const TPictureMarks &marks, QObject *parent)
    : QObject(parent)
    , m_widgets(widgets)
    , m_model(model)
    , m_marks(marks)
{
    for (QLabel *picture : m_widgets.Pictures)
        picture->installEventFilter(this);
    m_widgets.List->installEventFilter(this);
    m_widgets.List->viewport()->installEventFilter(this);
    connect(m_widgets.List->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &TPreviewPart::SelectionChanged);
    connect(m_widgets.List, &QTableView::clicked, this, &TPreviewPart::ListClicked);
}

int TPreviewPart::SelectedRow() const
{
    if (m_model->rowCount() == 0)
        return -1;
    const QModelIndexList rows = m_widgets.List->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    const int row = rows.first().row();
    return row <= MainUnit.Catalogue.PairsLast ? row : -1;
}

void TPreviewPart::ShowSelectedPair()
{
    m_refreshPending = false;
    const int row = SelectedRow();
    if (row < 0)
        return;
    const TPicturePair pair = MainUnit.Catalogue.Pairs[row];
    const int32_t pictures[2] = { pair.PicIndex1, pair.PicIndex2 };
    m_previewedPictures[0] = m_previewedPictures[1] = -1;
    ShowTags();
    // A picture that cannot be shown stops the refresh where it is; the error box reports it.
    QImage bitmaps[2];
    for (int side = 0; side < 2; ++side) {
        bitmaps[side] = PreviewBitmap(pictures[side]);
        ShowFittedPicture(m_widgets.Pictures[side], bitmaps[side]);
        m_previewedPictures[side] = pictures[side];
    }
    for (int side = 0; side < 2; ++side)
        m_widgets.Details[side]->setText(DetailsLine(MainUnit.Catalogue.Pictures[pictures[side]]));
    m_widgets.Percent->setText(FormatSimilarity(pair.Similarity) + QStringLiteral("%"));
    for (int side = 0; side < 2; ++side)
        ShowFittedPicture(m_widgets.Pictures[side], Framed(bitmaps[side]));
    ShowTags();
    // While a search runs the list is disabled, and so is every button.
    for (int side = 0; side < 2; ++side)
        for (QToolButton *button : m_widgets.ChangingButtons[side])
            button->setEnabled(m_widgets.List->isEnabled() && !IsReferencePicture(MainUnit.Catalogue, pictures[side]));
}

void TPreviewPart::ShowNoPair()
{
    for (QLabel *picture : m_widgets.Pictures)
        ShowFittedPicture(picture, QImage());
    m_previewedPictures[0] = m_previewedPictures[1] = -1;
    for (QLabel *details : m_widgets.Details)
        details->setText(TMainForm::tr("无图像"));
    m_widgets.Percent->clear();
    for (QToolButton *button : m_widgets.FileButtons)
        button->setEnabled(false);
}

void TPreviewPart::ShowTags()
{
    for (int side = 0; side < 2; ++side) {
        const int32_t picture = m_previewedPictures[side];
        m_widgets.MarkLabels[side]->setVisible(m_marks.IsMarked(picture));
        m_widgets.ReferenceLabels[side]->setVisible(picture >= 0 && IsReferencePicture(MainUnit.Catalogue, picture));
    }
}

void TPreviewPart::Swap()
{
    const int row = SelectedRow();
    if (row < 0) {
        QLabel *left = m_widgets.Pictures[0];
        QLabel *right = m_widgets.Pictures[1];
        const QImage shownLeft = FittedPicture(left);
        ShowFittedPicture(left, FittedPicture(right));
        ShowFittedPicture(right, shownLeft);
        return;
    }
    TPicturePair &pair = MainUnit.Catalogue.Pairs[row];
    std::swap(pair.PicIndex1, pair.PicIndex2);
    m_model->RowChanged(row);
    ShowSelectedPair();
}

int32_t TPreviewPart::PreviewedPicture(int row, int side) const
{
    if (row < 0)
        return -1;
    const TPicturePair &pair = MainUnit.Catalogue.Pairs[row];
    const int32_t picture = side == 1 ? pair.PicIndex1 : pair.PicIndex2;
    return m_previewedPictures[side - 1] == picture ? picture : -1;
}

// Every change of the selection (mouse, drag, keys, code) brings the preview along. The refresh
// runs from the event loop: several changes in a row cost one refresh, and an unreadable
// picture reaches the error box without unwinding through the list's own handlers.
void TPreviewPart::SelectionChanged()
{
    ++m_selectionChanges;
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_refreshPending)
                RefreshIfBehind();
        },
        Qt::QueuedConnection);
}

void TPreviewPart::RefreshIfBehind()
{
    m_refreshPending = false;
    const int row = SelectedRow();
    if (row >= 0 && (PreviewedPicture(row, 1) < 0 || PreviewedPicture(row, 2) < 0))
        ShowSelectedPair();
}

void TPreviewPart::ListPressed() { m_selectionChangesAtPress = m_selectionChanges; }

// A click on the row already selected shows its pair anew, as the files may have changed.
void TPreviewPart::ListClicked()
{
    if (m_selectionChanges == m_selectionChangesAtPress)
        ShowSelectedPair();
    else
        RefreshIfBehind();
}

void TPreviewPart::ListKeyUp(QKeyEvent *event)
{
    if (m_model->rowCount() == 0)
        return;
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && m_selectionChanges == m_selectionChangesAtPress)
        ShowSelectedPair();
    else
        RefreshIfBehind();
}

bool TPreviewPart::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            break;
        for (int side = 0; side < 2; ++side)
            if (watched == m_widgets.Pictures[side] && m_widgets.Pictures[side]->isEnabled())
                emit PictureClicked(side + 1);
        break;
    case QEvent::MouseButtonPress:
        if (watched == m_widgets.List->viewport())
            ListPressed();
        break;
    case QEvent::KeyPress:
        if (watched == m_widgets.List)
            ListPressed();
        break;
    case QEvent::KeyRelease:
        if (watched == m_widgets.List)
            ListKeyUp(static_cast<QKeyEvent *>(event));
        break;
    default:
        break;
    }
    return false;
}
