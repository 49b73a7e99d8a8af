#include "pairlistmodel.h"

#include "textformat.h"

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

TPairListModel::TPairListModel(const TCatalogue &catalogue, QObject *parent)
    : QAbstractTableModel(parent)
    , m_catalogue(catalogue)
{
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
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows || index.row() > m_catalogue.PairsLast)
        return {};
    const TPicturePair &pair = m_catalogue.Pairs[index.row()];
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
