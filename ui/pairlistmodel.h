#pragma once

#include "catalogue.h"

#include <QAbstractTableModel>

class QTableView;

// The result list's rows, produced on demand: row r shows Pairs[r] of the catalogue. The row
// count is whatever the window last set, so that a running search never shows half-made rows.
class TPairListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TPairListModel(const TCatalogue &catalogue, QObject *parent = nullptr);

    // Sets the row count and has every view fetch its rows anew.
    void SetRowCount(int rows);
    // Has the views redraw one row after its pair changed in place.
    void RowChanged(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TCatalogue &m_catalogue;
    int m_rows = 0;
};

// Sizes the list's columns: both path columns to their contents within 100..800 pixels, the
// similarity column 100 pixels (50..100).
void ApplyPairListColumnWidths(QTableView *view);
