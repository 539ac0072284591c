// The table model behind the wizard's list.
#include "sync_wizard/qt/plan_model.h"

#include "platform/qt/path_text.h"
#include "sync_wizard/player_names.h"
#include "sync_wizard/room_check.h"

#include <QApplication>
#include <QStyle>

namespace parlowen {

PlanModel::PlanModel(ResultStore plan, std::vector<bool> missing, QObject* parent)
    : QAbstractTableModel(parent), m_plan(std::make_shared<const ResultStore>(std::move(plan))),
      m_chosen(m_plan->size(), true), m_missing(std::move(missing))
{
    m_missing.resize(m_plan->size(), false);
}

void PlanModel::setMissing(std::vector<bool> missing)
{
    m_missing = std::move(missing);
    m_missing.resize(m_plan->size(), false);
    if (rowCount() > 0)
        emit dataChanged(index(0, Destination), index(rowCount() - 1, Destination));
    emit choiceChanged();
}

int PlanModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_plan->size());
}

int PlanModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PlanModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto& op = operation(index.row());
    if (role == Qt::CheckStateRole && index.column() == Source)
        return m_chosen[row] ? Qt::Checked : Qt::Unchecked;
    if (index.column() == Destination && m_missing[row] && role == Qt::DecorationRole)
        return QApplication::style()->standardIcon(QStyle::SP_FileDialogNewFolder);
    if (role == Qt::ToolTipRole) {
        // Where the copy goes exactly, and how big it is: the Destination column shows only
        // the side's folder for a copy.
        QString tip = QStringLiteral("%1 %2 (%3)")
                          .arg(!isOverwrite(op) ? QStringLiteral("Copies to")
                                                         : QStringLiteral("Replaces"),
                               pathToText(op.OpTargetPath),
                               QString::fromStdString(
                                   op.conversion ? "about " + sizeText(bytesWritten(op))
                                   : op.sourceSize ? sizeText(*op.sourceSize)
                                                   : std::string("size unknown")));
        if (op.conversion && !op.conversion->why.empty())
            tip += QStringLiteral("\n") + QString::fromStdString(op.conversion->why);
        // A playlist's entries whose songs will not be on the player, the first few.
        if (op.written && !op.written->missing.empty()) {
            const auto& missing = op.written->missing;
            tip += QStringLiteral("\nLeft out, not on the player: %1").arg(missing.size());
            for (std::size_t i = 0; i < missing.size() && i < 5; ++i)
                tip += QStringLiteral("\n  ") + QString::fromStdString(missing[i]);
        }
        if (m_missing[row])
            tip += QStringLiteral("\nThe folder %1 does not exist on this side")
                       .arg(pathToText(folderOf(op.OpTargetPath)));
        return tip;
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Source:
        return pathToText(op.OpSource);
    case Action:
        return QString::fromStdString(op.OpAction);
    case Destination:
        return pathToText(op.OpDestination);
    }
    return {};
}

bool PlanModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != Source)
        return false;
    choose({index.row()}, value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags PlanModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == Source)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

std::shared_ptr<const ResultStore> PlanModel::chosenPlan() const
{
    return std::make_shared<const ResultStore>(chosenOperations(*m_plan, m_chosen));
}

void PlanModel::choose(const std::vector<int>& rows, bool chosen)
{
    for (const int row : rows)
        m_chosen[static_cast<std::size_t>(row)] = chosen;
    if (!rows.empty())
        emit dataChanged(index(0, Source), index(rowCount() - 1, Source), {Qt::CheckStateRole});
    emit choiceChanged();
}

void PlanModel::choose(Group group, bool chosen, const SyncRoots& roots, const std::string& folder)
{
    std::vector<int> rows;
    for (std::size_t i = 0; i < m_plan->size(); ++i) {
        if (inGroup((*m_plan)[i], group, roots, folder))
            rows.push_back(static_cast<int>(i));
    }
    choose(rows, chosen);
}

QVariant PlanModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Source:
        return QStringLiteral("Source");
    case Action:
        return QStringLiteral("Action");
    case Destination:
        return QStringLiteral("Destination");
    }
    return {};
}

} // namespace parlowen
