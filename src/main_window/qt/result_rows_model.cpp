// The table model behind a result list.
#include "main_window/qt/result_rows_model.h"

#include "compare/last_modified.h"
#include "platform/qt/path_text.h"

namespace parlowen {
namespace {

const std::array<const char*, 4> kColumns = {"Filename", "Status", "Size", "Last Modified"};

} // namespace

ResultRowsModel::ResultRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultRowsModel::reset(std::vector<ResultRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ResultRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
}

QVariant ResultRowsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ResultRow& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return pathToText(row.relativeName);
        case 1:
            return QString::fromUtf8(statusText(row.status));
        case 2:
            return QString::fromStdString(sizeText(row));
        case 3:
            return row.hasModified ? QString::fromStdString(LastModified::timeText(row.modified))
                                   : QString();
        }
    }
    if (role == Qt::DecorationRole && index.column() == 0 && row.icon != RowIcon::None)
        return statusIcon(static_cast<int>(row.icon));
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

} // namespace parlowen
