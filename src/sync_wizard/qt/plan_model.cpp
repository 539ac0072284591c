// The table model behind the wizard's list.
#include "sync_wizard/qt/plan_model.h"

#include "platform/qt/path_text.h"

namespace parlowen {

PlanModel::PlanModel(ResultStore plan, QObject* parent)
    : QAbstractTableModel(parent), m_plan(std::make_shared<const ResultStore>(std::move(plan)))
{
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
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() ||
        index.row() >= rowCount())
        return {};
    const auto& op = operation(index.row());
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
