#pragma once

#include "engine/base/catalogue.h"
#include "engine/cleanup/picturemarks.h"

#include <QAbstractTableModel>

#include <optional>

class QTableView;

// The result list's rows, produced on demand: row r shows Pairs[r] of the catalogue. The row
// count is whatever the window last set, so that a running search never shows half-made rows.
class TPairListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    TPairListModel(const TCatalogue &catalogue, const TPictureMarks &marks, QObject *parent = nullptr);

    // Sets the row count and has every view fetch its rows anew.
    void SetRowCount(int rows);
    // Has the views redraw one row after its pair changed in place.
    void RowChanged(int row);
    // Has the views redraw every row's check boxes after marks changed.
    void MarksChanged();
    // The view shows only pairs at least this similar; nothing shows all. A view only: the rows,
    // their order and every pair stay.
    void SetMinShown(std::optional<double> minSimilarity) { m_minShown = minSimilarity; }
    std::optional<double> MinShown() const { return m_minShown; }
    bool IsRowShown(int row) const;
    int ShownRowCount() const;
    // The shown row nearest to `row`, looking down first; -1 when none is shown.
    int NearestShownRow(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The two path columns carry a check box each: the mark of that picture.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // A click on a check box asks for the mark to change; the window decides through MarkRequested.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // The person asked for the picture on `side` (1 or 2) of `row` to be marked or unmarked.
    void MarkRequested(int row, int side, bool marked);

private:
    const TCatalogue &m_catalogue;
    const TPictureMarks &m_marks;
    int m_rows = 0;
    std::optional<double> m_minShown;
};

// Sizes the list's columns: both path columns to their contents within 100..800 pixels, the
// similarity column 100 pixels (50..100).
void ApplyPairListColumnWidths(QTableView *view);
