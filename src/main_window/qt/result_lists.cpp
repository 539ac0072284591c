// How the two result lists are viewed.
#include "main_window/qt/result_lists.h"

#include "main_window/list_settings.h"
#include "main_window/settings_keys.h"

#include "main_window/qt/form1_ui.h"
#include "main_window/qt/result_rows_model.h"
#include "main_window/qt/result_rows_view.h"

#include <algorithm>

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

namespace parlowen {
namespace {

constexpr RowFilter kLegendFilters[] = {RowFilter::Newer, RowFilter::Older, RowFilter::NoMatch};

} // namespace

ResultLists::ResultLists(Form1Ui& ui, ResultRowsView* left, ResultRowsView* right,
                         SettingsStore& settings, QObject* parent)
    : QObject(parent), m_ui(ui), m_settings(settings), m_left(left), m_right(right)
{
    const std::pair<QTableView*, ResultRowsView*> lists[] = {{ui.ListView1, left},
                                                             {ui.ListView2, right}};
    for (const auto& [list, view] : lists) {
        list->horizontalHeader()->setSectionsClickable(true);
        connect(list->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this, list = list, view = view](int section) { sortBy(list, view, section); });
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list = list](const QPoint& at) { showMenu(list, at); });
    }
    connect(ui.ListView1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { selectPartner(m_ui.ListView1, m_left, m_ui.ListView2, m_right); });
    connect(ui.ListView2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { selectPartner(m_ui.ListView2, m_right, m_ui.ListView1, m_left); });
    for (QLabel* part : {ui.Image3, ui.Image4, ui.Image5, ui.Label1, ui.Label2, ui.Label3})
        part->installEventFilter(this);
}

void ResultLists::showScanOrder()
{
    // Every row while the statuses are unknown, in the order chosen; a filter chosen now or
    // before applies once they are known.
    m_ui.showCounts(std::nullopt);
    for (ResultRowsView* view : {m_left, m_right})
        view->setFilter(RowFilter::All);
}

void ResultLists::showResult()
{
    m_ui.showCounts(
        std::pair{iconCounts(static_cast<ResultRowsModel*>(m_left->sourceModel())->rows()),
                  iconCounts(static_cast<ResultRowsModel*>(m_right->sourceModel())->rows())});
    setFilter(m_filter);
}

void ResultLists::setFilter(RowFilter filter)
{
    m_filter = filter;
    m_left->setFilter(filter);
    m_right->setFilter(filter);
    markLegend();
}

void ResultLists::markLegend()
{
    QLabel* labels[] = {m_ui.Label1, m_ui.Label2, m_ui.Label3};
    for (int i = 0; i < 3; ++i) {
        QFont font = labels[i]->font();
        font.setUnderline(m_filter == kLegendFilters[i]);
        labels[i]->setFont(font);
    }
}

bool ResultLists::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    const QObject* rows[3][2] = {
        {m_ui.Image3, m_ui.Label1}, {m_ui.Image4, m_ui.Label2}, {m_ui.Image5, m_ui.Label3}};
    for (int i = 0; i < 3; ++i) {
        if (watched == rows[i][0] || watched == rows[i][1]) {
            // Clicking the row that filters already shows every row again.
            setFilter(m_filter == kLegendFilters[i] ? RowFilter::All : kLegendFilters[i]);
            return true;
        }
    }
    return false;
}

void ResultLists::restoreKept()
{
    const std::pair<QTableView*, ResultRowsView*> lists[] = {{m_ui.ListView1, m_left},
                                                             {m_ui.ListView2, m_right}};
    for (const auto& [list, view] : lists) {
        const bool left = list == m_ui.ListView1;
        const auto widths = parseColumnWidths(m_settings.read(
            keys::kApplication, keys::kWindowSection, left ? keys::kLeftColumns : keys::kRightColumns));
        if (widths) {
            for (int column = 0; column < 4; ++column)
                list->horizontalHeader()->resizeSection(column, (*widths)[std::size_t(column)]);
        }
        showSort(list, view,
                 parseSort(m_settings.read(keys::kApplication, keys::kWindowSection,
                                           left ? keys::kLeftSort : keys::kRightSort)));
        m_listWidths[left ? 0 : 1] = list->width();
        connect(list->horizontalHeader(), &QHeaderView::sectionResized, this,
                [this, list = list] { keepWidths(list); });
    }
}

void ResultLists::followListWidths()
{
    for (QTableView* list : {m_ui.ListView1, m_ui.ListView2}) {
        int& last = m_listWidths[list == m_ui.ListView1 ? 0 : 1];
        if (last > 0 && list->width() != last) {
            QHeaderView* header = list->horizontalHeader();
            header->resizeSection(0, std::max(60, header->sectionSize(0) + list->width() - last));
        }
        last = list->width();
    }
}

void ResultLists::keepWidths(QTableView* list)
{
    const bool left = list == m_ui.ListView1;
    std::array<int, 4> widths{};
    for (int column = 0; column < 4; ++column)
        widths[std::size_t(column)] = list->horizontalHeader()->sectionSize(column);
    m_settings.write(keys::kApplication, keys::kWindowSection,
                     left ? keys::kLeftColumns : keys::kRightColumns, columnWidthsText(widths));
}

void ResultLists::sortBy(QTableView* list, ResultRowsView* view, int section)
{
    const RowSort sort = nextSort(view->sort(), static_cast<SortColumn>(section));
    showSort(list, view, sort);
    m_settings.write(keys::kApplication, keys::kWindowSection,
                     list == m_ui.ListView1 ? keys::kLeftSort : keys::kRightSort, sortText(sort));
}

void ResultLists::showSort(QTableView* list, ResultRowsView* view, const RowSort& sort)
{
    view->setSort(sort);
    const int section = sort.column ? static_cast<int>(*sort.column) : 0;
    QHeaderView* header = list->horizontalHeader();
    header->setSortIndicatorShown(sort.column.has_value());
    if (sort.column)
        header->setSortIndicator(section,
                                 sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void ResultLists::showMenu(QTableView* list, const QPoint& at)
{
    QMenu menu(list);
    const std::pair<const char*, RowFilter> choices[] = {
        {"Show &all rows", RowFilter::All},
        {"Show rows that are &not OK", RowFilter::NotOk},
        {"Show only n&ewer files", RowFilter::Newer},
        {"Show only &older files", RowFilter::Older},
        {"Show only files &without a match", RowFilter::NoMatch},
    };
    // The list's own actions (the left player's converting rule) come first.
    if (!list->actions().isEmpty()) {
        menu.addActions(list->actions());
        menu.addSeparator();
    }
    for (const auto& [text, filter] : choices) {
        QAction* action = menu.addAction(QString::fromUtf8(text));
        action->setCheckable(true);
        action->setChecked(m_filter == filter);
        connect(action, &QAction::triggered, this, [this, filter = filter] { setFilter(filter); });
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

void ResultLists::selectPartner(QTableView* from, ResultRowsView* fromView, QTableView* to,
                                ResultRowsView* toView)
{
    if (m_pairing)
        return;
    const int modelRow = fromView->modelRow(from->currentIndex().row());
    const auto& rows = static_cast<ResultRowsModel*>(fromView->sourceModel())->rows();
    if (modelRow < 0 || static_cast<std::size_t>(modelRow) >= rows.size())
        return;
    // Looked for when asked rather than kept for every row: a few milliseconds at 100,000 rows.
    const std::string& name = rows[static_cast<std::size_t>(modelRow)].relativeName;
    const auto& others = static_cast<ResultRowsModel*>(toView->sourceModel())->rows();
    const auto partner = std::find_if(others.begin(), others.end(), [&](const ResultRow& row) {
        return row.relativeName == name;
    });
    const int row =
        partner == others.end() ? -1 : toView->viewRow(static_cast<int>(partner - others.begin()));
    if (row < 0)
        return;
    m_pairing = true;
    const QModelIndex target = toView->index(row, 0);
    to->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
    to->scrollTo(target, QAbstractItemView::PositionAtCenter);
    m_pairing = false;
}

} // namespace parlowen
