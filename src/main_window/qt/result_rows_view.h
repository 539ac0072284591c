// What a result list shows of its model: a filter and a sort over the rows, which never move.
// In the scan's order with every row shown it keeps nothing per row.
#pragma once

#include "main_window/row_view.h"

#include <QAbstractProxyModel>

#include <cstdint>
#include <vector>

namespace parlowen {

class ResultRowsModel;

class ResultRowsView final : public QAbstractProxyModel
{
    Q_OBJECT
public:
    ResultRowsView(ResultRowsModel* rows, QObject* parent);

    void setFilter(RowFilter filter);
    RowFilter filter() const { return m_filter; }
    void setSort(const RowSort& sort);
    const RowSort& sort() const { return m_sort; }
    // The row shown for a row of the model, or -1 when it is filtered out.
    int viewRow(int modelRow) const;
    int modelRow(int viewRow) const;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;

private:
    bool identity() const { return m_filter == RowFilter::All && !m_sort.column; }
    void rebuild();

    ResultRowsModel* m_rows;
    RowFilter m_filter = RowFilter::All;
    RowSort m_sort;
    std::vector<std::uint32_t> m_order; // the model's row of each row shown, unless identity()
};

} // namespace parlowen
