// The table model behind the wizard's list: one row per planned operation, each with a check
// box that says whether OK carries it out, and a mark where its target folder does not exist.
#pragma once

#include "compare/result_store.h"
#include "sync_wizard/choices.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

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

    // Keeps its own copy: the store is rebuilt by the Compare that follows OK. Every operation
    // starts chosen; missing marks those whose target folder does not exist.
    PlanModel(ResultStore plan, std::vector<bool> missing, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const PlannedOperation& operation(int row) const { return (*m_plan)[static_cast<size_t>(row)]; }
    // Shared, so a copy that runs on may outlive the model.
    std::shared_ptr<const ResultStore> plan() const { return m_plan; }
    const std::vector<bool>& chosen() const { return m_chosen; }
    const std::vector<bool>& missing() const { return m_missing; }
    // The chosen operations, in plan order.
    std::shared_ptr<const ResultStore> chosenPlan() const;
    // Marks the operations whose target folder does not exist, once that is known.
    void setMissing(std::vector<bool> missing);
    void choose(const std::vector<int>& rows, bool chosen);
    void choose(Group group, bool chosen, const SyncRoots& roots, const std::string& folder = {});

signals:
    void choiceChanged();

private:
    std::shared_ptr<const ResultStore> m_plan;
    std::vector<bool> m_chosen;
    std::vector<bool> m_missing;
};

} // namespace parlowen
