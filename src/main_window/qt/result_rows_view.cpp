// What a result list shows of its model.
#include "main_window/qt/result_rows_view.h"

#include "main_window/qt/result_rows_model.h"

#include <algorithm>

namespace parlowen {

ResultRowsView::ResultRowsView(ResultRowsModel* rows, QObject* parent)
    : QAbstractProxyModel(parent), m_rows(rows)
{
    setSourceModel(rows);
    connect(rows, &QAbstractItemModel::modelReset, this, &ResultRowsView::rebuild);
    connect(rows, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) {
                if (identity())
                    beginInsertRows({}, first, last);
            });
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this] {
        if (identity())
            endInsertRows();
        else
            rebuild();
    });
    // Only check marks change in place: the rows on screen are painted again.
    connect(rows, &QAbstractItemModel::dataChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    });
}

void ResultRowsView::setFilter(RowFilter filter)
{
    m_filter = filter;
    rebuild();
}

void ResultRowsView::setSort(const RowSort& sort)
{
    m_sort = sort;
    rebuild();
}

void ResultRowsView::rebuild()
{
    beginResetModel();
    m_order.clear();
    m_order.shrink_to_fit();
    if (!identity())
        m_rows->readShown([this](std::span<const ResultRow> rows) {
            m_order = viewOrder(rows, m_filter, m_sort);
        });
    endResetModel();
}

int ResultRowsView::viewRow(int modelRow) const
{
    if (identity())
        return modelRow;
    const auto found = std::find(m_order.begin(), m_order.end(), std::uint32_t(modelRow));
    return found == m_order.end() ? -1 : static_cast<int>(found - m_order.begin());
}

int ResultRowsView::modelRow(int viewRow) const
{
    if (viewRow < 0 || viewRow >= rowCount())
        return -1;
    return identity() ? viewRow : static_cast<int>(m_order[static_cast<std::size_t>(viewRow)]);
}

QModelIndex ResultRowsView::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid())
        return {};
    return m_rows->index(modelRow(proxyIndex.row()), proxyIndex.column());
}

QModelIndex ResultRowsView::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid())
        return {};
    const int row = viewRow(sourceIndex.row());
    return row < 0 ? QModelIndex() : index(row, sourceIndex.column());
}

QModelIndex ResultRowsView::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ResultRowsView::parent(const QModelIndex&) const
{
    return {};
}

int ResultRowsView::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return identity() ? m_rows->rowCount() : static_cast<int>(m_order.size());
}

int ResultRowsView::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows->columnCount();
}

} // namespace parlowen
