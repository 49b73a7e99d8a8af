#include "ui/pairlistmodel.h"

#include "engine/results/shownpairs.h"
#include "engine/results/textformat.h"

#include <QFile>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>

namespace
{

enum {
    kColumnCount = 3,
    kPathColumnMinWidth = 100,
    kPathColumnMaxWidth = 800,
    kSimilarityColumnWidth = 100,
    kSimilarityColumnMinWidth = 50,
};

} // namespace

TPairListModel::TPairListModel(const TCatalogue &catalogue, const TPictureMarks &marks, QObject *parent)
    : QAbstractTableModel(parent)
    , m_catalogue(catalogue)
    , m_marks(marks)
{
}

void TPairListModel::MarksChanged()
{
    if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, 1), { Qt::CheckStateRole });
}

Qt::ItemFlags TPairListModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() && index.column() < 2 ? flags | Qt::ItemIsUserCheckable : flags;
}

bool TPairListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() > 1 || index.row() >= m_rows
        || index.row() > m_catalogue.PairsLast)
        return false;
    emit MarkRequested(index.row(), index.column() + 1, value.toInt() == Qt::Checked);
    return true;
}

bool TPairListModel::IsRowShown(int row) const
{
    return !m_minShown || (row <= m_catalogue.PairsLast && IsShownPair(m_catalogue.Pairs[size_t(row)], m_minShown));
}

int TPairListModel::ShownRowCount() const
{
    if (!m_minShown)
        return m_rows;
    int shown = 0;
    for (int row = 0; row < m_rows; ++row)
        shown += IsRowShown(row);
    return shown;
}

int TPairListModel::NearestShownRow(int row) const
{
    for (int below = std::max(row, 0); below < m_rows; ++below)
        if (IsRowShown(below))
            return below;
    for (int above = std::min(row, m_rows) - 1; above >= 0; --above)
        if (IsRowShown(above))
            return above;
    return -1;
}

void TPairListModel::SetRowCount(int rows)
{
    beginResetModel();
    m_rows = std::max(rows, 0);
    endResetModel();
}

void TPairListModel::RowChanged(int row)
{
    if (row >= 0 && row < m_rows)
        emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

int TPairListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int TPairListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant TPairListModel::data(const QModelIndex &index, int role) const
{
    // The pairs may be shorter than the row count for a moment while a search winds down.
    if ((role != Qt::DisplayRole && role != Qt::CheckStateRole) || !index.isValid() || index.row() >= m_rows
        || index.row() > m_catalogue.PairsLast)
        return {};
    const TPicturePair &pair = m_catalogue.Pairs[index.row()];
    if (role == Qt::CheckStateRole) {
        if (index.column() > 1)
            return {};
        return m_marks.IsMarked(index.column() == 0 ? pair.PicIndex1 : pair.PicIndex2) ? Qt::Checked : Qt::Unchecked;
    }
    switch (index.column()) {
    case 0:
        return QFile::decodeName(FullPath(m_catalogue, pair.PicIndex1));
    case 1:
        return QFile::decodeName(FullPath(m_catalogue, pair.PicIndex2));
    default:
        return FormatSimilarity(pair.Similarity);
    }
}

QVariant TPairListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case 0:
        return tr("原始图像");
    case 1:
        return tr("重复图像");
    default:
        return tr("相似度");
    }
}

void ApplyPairListColumnWidths(QTableView *view)
{
    for (int column : { 0, 1 }) {
        view->resizeColumnToContents(column);
        view->setColumnWidth(
            column, std::clamp(view->columnWidth(column), int(kPathColumnMinWidth), int(kPathColumnMaxWidth)));
    }
    view->horizontalHeader()->setMinimumSectionSize(kSimilarityColumnMinWidth);
    view->setColumnWidth(2, kSimilarityColumnWidth);
}
