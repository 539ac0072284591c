// The table model behind a result list: the engine's rows, shown in four columns.
#pragma once

#include "compare/growing_rows.h"
#include "compare/result_row.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <array>
#include <span>
#include <string>
#include <vector>

class QAbstractItemView;

namespace parlowen {

class ResultRowsModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Filename,
        Status,
        Size,
        LastModified,
        ColumnCount
    };

    explicit ResultRowsModel(QObject* parent = nullptr);

    // Replaces every row at once.
    void reset(std::vector<ResultRow> rows);
    // Shows a scan's rows as they come, without statuses, until the next reset(); the live rows
    // must outlive that. catchUp() adds those found since it was last called.
    void follow(const GrowingRows* live);
    void catchUp();
    const std::vector<ResultRow>& rows() const { return m_rows; }
    // Calls read with the rows shown: a scan's rows found so far while it is followed.
    template <class Read> void readShown(Read read) const
    {
        if (m_live)
            m_live->readFirst(m_liveCount, read);
        else
            read(std::span<const ResultRow>(m_rows));
    }
    // Runs the check-mark rule of a click on the selected rows; every change is announced.
    void toggleCheckMarks(const std::vector<int>& selected, int clicked,
                          std::string& lastClickedText);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The status picture of an icon number (1, 2, 3 or 4).
    static QIcon statusIcon(int number);
    // A picture of the status pictures' size with nothing in it.
    static QIcon blankIcon();

private:
    QVariant shown(const ResultRow& row, int column, int role) const;

    std::vector<ResultRow> m_rows;
    const GrowingRows* m_live = nullptr;
    std::size_t m_liveCount = 0; // the live rows shown so far
};

// The check-mark rule of a click in a list over the model: the clicked row is the current one
// when it is selected, else the first selected row.
void toggleSelectedCheckMarks(const QAbstractItemView& list, ResultRowsModel& rows,
                              std::string& lastClickedText);

} // namespace parlowen
