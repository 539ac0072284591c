// Widget geometry in twips.
#include "platform/qt/qt_geometry.h"

#include "platform/twips.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeView>

namespace parlowen {

void placeInTwips(QWidget* widget, double left, double top, double width, double height)
{
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                        twipsToPixels(height));
}

double outerWidthTwips(const QWidget* window)
{
    return pixelsToTwips(window->frameGeometry().width());
}

double outerHeightTwips(const QWidget* window)
{
    return pixelsToTwips(window->frameGeometry().height());
}

double widgetEdge(const QWidget* widget, Edge edge)
{
    switch (edge) {
    case Edge::Left:
        return pixelsToTwips(widget->x());
    case Edge::Top:
        return pixelsToTwips(widget->y());
    case Edge::Width:
        return pixelsToTwips(widget->width());
    case Edge::Height:
        return pixelsToTwips(widget->height());
    }
    return 0;
}

bool setWidgetEdge(QWidget* widget, Edge edge, double twips)
{
    const int pixels = twipsToPixels(twips);
    switch (edge) {
    case Edge::Left:
        widget->move(pixels, widget->y());
        return true;
    case Edge::Top:
        widget->move(widget->x(), pixels);
        return true;
    case Edge::Width:
        if (twips < 0)
            return false;
        widget->resize(pixels, widget->height());
        return true;
    case Edge::Height:
        if (twips < 0)
            return false;
        widget->resize(widget->width(), pixels);
        return true;
    }
    return false;
}

QHeaderView* columnHeader(const QAbstractItemView* list)
{
    if (const auto* table = qobject_cast<const QTableView*>(list))
        return table->horizontalHeader();
    return static_cast<const QTreeView*>(list)->header();
}

double columnWidth(const QAbstractItemView* list, int column)
{
    return pixelsToTwips(columnHeader(list)->sectionSize(column));
}

bool setColumnWidth(QAbstractItemView* list, int column, double twips)
{
    if (twips < 0)
        return false;
    columnHeader(list)->resizeSection(column, twipsToPixels(twips));
    return true;
}

} // namespace parlowen
