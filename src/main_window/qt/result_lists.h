// How the two result lists are viewed: a header click sorts a list, a legend row (or the lists'
// context menu) filters both, the legend counts each picture, and selecting a row selects its
// namesake in the other list. None of it changes the rows, their statuses or the plan.
#pragma once

#include "main_window/row_view.h"
#include "platform/settings_store.h"

#include <QObject>

#include <array>

class QLabel;
class QPoint;
class QTableView;

namespace parlowen {

struct Form1Ui;
class ResultRowsView;

class ResultLists final : public QObject
{
    Q_OBJECT
public:
    ResultLists(Form1Ui& ui, ResultRowsView* left, ResultRowsView* right,
                SettingsStore& settings, QObject* parent);

    // Brings back the column widths and the sort kept at the last start, where there are
    // any, and keeps every later change.
    void restoreKept();
    // The lists have been laid out again: the width a list gained or lost goes to its
    // Filename column, where long names need it.
    void followListWidths();

    // A Compare starts: every row in the scan's order, as the rows come, and no counts.
    void showScanOrder();
    // The Compare has ended: the counts, and the filter and sort chosen before it.
    void showResult();
    // Shows only the rows the filter lets through, in both lists.
    void setFilter(RowFilter filter);
    RowFilter filter() const { return m_filter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sortBy(QTableView* list, ResultRowsView* view, int section);
    void showSort(QTableView* list, ResultRowsView* view, const RowSort& sort);
    void keepWidths(QTableView* list);
    void showMenu(QTableView* list, const QPoint& at);
    void selectPartner(QTableView* from, ResultRowsView* fromView, QTableView* to,
                       ResultRowsView* toView);
    void markLegend();

    Form1Ui& m_ui;
    SettingsStore& m_settings;
    std::array<int, 2> m_listWidths = {0, 0}; // as last laid out
    ResultRowsView* m_left;
    ResultRowsView* m_right;
    RowFilter m_filter = RowFilter::All;
    bool m_pairing = false; // a selection made to pair is not paired back
};

} // namespace parlowen
