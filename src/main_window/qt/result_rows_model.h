// The table model behind a result list: the engine's rows, shown in four columns.
#pragma once

#include "compare/result_row.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <array>
#include <vector>

namespace parlowen {

class ResultRowsModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultRowsModel(QObject* parent = nullptr);

    // Replaces every row at once.
    void reset(std::vector<ResultRow> rows);
    const std::vector<ResultRow>& rows() const { return m_rows; }
    std::vector<ResultRow>& rows() { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The status picture of an icon number (1, 2, 3 or 4).
    static QIcon statusIcon(int number);

private:
    std::vector<ResultRow> m_rows;
};

} // namespace parlowen
