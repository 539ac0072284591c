// Small helpers the forms share to build their controls.
#include "platform/qt/qt_widgets.h"

#include "platform/cursor_file.h"

#include <QFile>
#include <QHeaderView>
#include <QIcon>

namespace parlowen {

QFont arial(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel* picture(QWidget* parent, const char* name, const QString& file, int size)
{
    auto* label = named(new QLabel(parent), name);
    label->setPixmap(QIcon(file).pixmap(size, size));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void setUpWindow(QWidget* window, const QString& caption)
{
    window->setWindowTitle(caption);
    window->setWindowIcon(QIcon(QStringLiteral(":/pictures/window_icon.svg")));
    window->setAutoFillBackground(true);
    QPalette white = window->palette();
    white.setColor(QPalette::Window, Qt::white);
    window->setPalette(white);
}

namespace {

// What every list of rows shares: the model, whole rows, no editing, the font.
template <class List> List* listOfRows(QWidget* parent, const char* name, QAbstractItemModel* model)
{
    auto* list = named(new List(parent), name);
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFont(arial(9.75, false));
    // A long path keeps its file name: the middle goes.
    list->setTextElideMode(Qt::ElideMiddle);
    // Tab goes on to the next control; the arrows move between rows.
    list->setTabKeyNavigation(false);
    return list;
}

} // namespace

QTreeView* rowList(QWidget* parent, const char* name, QAbstractItemModel* model)
{
    auto* list = listOfRows<QTreeView>(parent, name, model);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->header()->setStretchLastSection(false);
    return list;
}

QTableView* largeRowList(QWidget* parent, const char* name, QAbstractItemModel* model)
{
    auto* list = listOfRows<QTableView>(parent, name, model);
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    list->horizontalHeader()->setStretchLastSection(false);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setHighlightSections(false);
    return list;
}

std::optional<QCursor> loadCursorFile(const std::string& path)
{
    const QPixmap picture(QFile::decodeName(QByteArray::fromStdString(path)));
    if (picture.isNull())
        return std::nullopt;
    const auto hotSpot = cursorHotSpot(path).value_or(std::pair{0, 0});
    return QCursor(picture, hotSpot.first, hotSpot.second);
}

} // namespace parlowen
