// The table model behind a result list.
#include "main_window/qt/result_rows_model.h"

#include "compare/last_modified.h"
#include "main_window/drop.h"
#include "platform/qt/path_text.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>

namespace parlowen {
namespace {

const std::array<const char*, ResultRowsModel::ColumnCount> kColumns = {"Filename", "Status",
                                                                        "Size", "Last Modified"};

} // namespace

ResultRowsModel::ResultRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultRowsModel::reset(std::vector<ResultRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_live = nullptr;
    m_liveCount = 0;
    endResetModel();
}

void ResultRowsModel::follow(const GrowingRows* live)
{
    reset({});
    m_live = live;
}

void ResultRowsModel::catchUp()
{
    if (!m_live)
        return;
    const std::size_t found = m_live->size();
    if (found <= m_liveCount)
        return;
    beginInsertRows({}, static_cast<int>(m_liveCount), static_cast<int>(found - 1));
    m_liveCount = found;
    endInsertRows();
}

void ResultRowsModel::toggleCheckMarks(const std::vector<int>& selected, int clicked,
                                       std::string& lastClickedText)
{
    if (clicked < 0 || static_cast<std::size_t>(clicked) >= m_rows.size())
        return; // not while a scan's rows are shown
    parlowen::toggleCheckMarks(
        m_rows, selected, m_rows[static_cast<std::size_t>(clicked)].relativeName, lastClickedText);
    for (const int row : selected)
        emit dataChanged(index(row, Filename), index(row, ColumnCount - 1));
}

int ResultRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_live ? m_liveCount : m_rows.size());
}

int ResultRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
}

QVariant ResultRowsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto at = static_cast<std::size_t>(index.row());
    if (!m_live)
        return shown(m_rows[at], index.column(), role);
    // A scan's row: only its name, size and time, which the scan no longer changes once the
    // row is added; the scan may be adding rows, and the Compare marking them, meanwhile.
    if (role == Qt::DecorationRole)
        return index.column() == Filename ? QVariant(blankIcon()) : QVariant();
    QVariant value;
    if ((role == Qt::DisplayRole || role == Qt::ToolTipRole) && index.column() != Status)
        m_live->read(at, [&](const ResultRow& row) { value = shown(row, index.column(), role); });
    return value;
}

QVariant ResultRowsModel::shown(const ResultRow& row, int column, int role) const
{
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (column) {
        case Filename:
            return pathToText(row.relativeName);
        case Status:
            return QString::fromUtf8(statusText(row.status));
        case Size:
            return QString::fromStdString(sizeText(row));
        case LastModified:
            return row.hasModified ? QString::fromStdString(LastModified::timeText(row.modified))
                                   : QString();
        }
    }
    // Every name has a picture's room before it, so names line up with or without one.
    if (role == Qt::DecorationRole && column == Filename)
        return row.icon != RowIcon::None ? statusIcon(static_cast<int>(row.icon)) : blankIcon();
    return {};
}

QVariant ResultRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kColumns[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QIcon ResultRowsModel::blankIcon()
{
    static const QIcon blank = [] {
        QPixmap empty(16, 16);
        empty.fill(Qt::transparent);
        return QIcon(empty);
    }();
    return blank;
}

QIcon ResultRowsModel::statusIcon(int number)
{
    static const std::array<QIcon, 4> icons = {
        QIcon(QStringLiteral(":/pictures/status_newer.svg")),
        QIcon(QStringLiteral(":/pictures/status_older.svg")),
        QIcon(QStringLiteral(":/pictures/status_equal.svg")),
        QIcon(QStringLiteral(":/pictures/status_no_match.svg")),
    };
    if (number < 1 || number > 4)
        return {};
    return icons[static_cast<std::size_t>(number - 1)];
}

void toggleSelectedCheckMarks(const QAbstractItemView& list, ResultRowsModel& rows,
                              std::string& lastClickedText)
{
    const auto selected = list.selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    // The list may show the rows sorted or filtered: the rule runs on the model's rows.
    const auto* view = qobject_cast<const QAbstractProxyModel*>(list.model());
    const auto modelRow = [view](const QModelIndex& index) {
        return view ? view->mapToSource(index).row() : index.row();
    };
    const QModelIndex current = list.currentIndex();
    const bool currentSelected = list.selectionModel()->isRowSelected(current.row());
    const int clicked = modelRow(currentSelected ? current : selected.first());
    std::vector<int> positions;
    for (const QModelIndex& index : selected)
        positions.push_back(modelRow(index));
    rows.toggleCheckMarks(positions, clicked, lastClickedText);
}

} // namespace parlowen
