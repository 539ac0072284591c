// The table model behind the wizard's list: one row per planned operation.
#pragma once

#include "compare/result_store.h"

#include <QAbstractTableModel>

#include <memory>

namespace parlowen {

class PlanModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Source,
        Action,
        Destination,
        ColumnCount
    };

    // Keeps its own copy: the store is rebuilt by the Compare that follows OK.
    PlanModel(ResultStore plan, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const PlannedOperation& operation(int row) const { return (*m_plan)[static_cast<size_t>(row)]; }
    // Shared, so a copy that runs on may outlive the model.
    std::shared_ptr<const ResultStore> plan() const { return m_plan; }

private:
    std::shared_ptr<const ResultStore> m_plan;
};

} // namespace parlowen
