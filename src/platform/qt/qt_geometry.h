// Widget geometry in twips: placing widgets, reading a window's outer size, and the layout
// surface over a form's widgets.
#pragma once

#include "platform/layout_surface.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QWidget>

#include <map>

namespace parlowen {

// Places the widget at a position and size given in twips.
void placeInTwips(QWidget* widget, double left, double top, double width, double height);

// A window's outer width and height in twips, frame included.
double outerWidthTwips(const QWidget* window);
double outerHeightTwips(const QWidget* window);

// Reads one edge of a widget's geometry (relative to its parent) in twips.
double widgetEdge(const QWidget* widget, Edge edge);

// Sets one edge in twips, rounded to whole pixels; refuses a negative width or height.
bool setWidgetEdge(QWidget* widget, Edge edge, double twips);

// The header over a list's columns (a tree's or a table's).
QHeaderView* columnHeader(const QAbstractItemView* list);

// Sets a list's column width in twips; refuses a negative width.
bool setColumnWidth(QAbstractItemView* list, int column, double twips);
double columnWidth(const QAbstractItemView* list, int column);

// The layout surface over a form's widgets and, where the form has them, the columns of its
// list (each column an element of its own, holding only a width).
template <class Element> class WidgetSurface final : public LayoutSurface<Element>
{
public:
    explicit WidgetSurface(std::map<Element, QWidget*> widgets, QAbstractItemView* list = nullptr,
                           std::map<Element, int> columns = {})
        : m_widgets(std::move(widgets)), m_list(list), m_columns(std::move(columns))
    {
    }
    double get(Element element, Edge edge) const override
    {
        if (const auto column = m_columns.find(element); column != m_columns.end())
            return columnWidth(m_list, column->second);
        return widgetEdge(m_widgets.at(element), edge);
    }
    bool set(Element element, Edge edge, double twips) override
    {
        if (const auto column = m_columns.find(element); column != m_columns.end())
            return setColumnWidth(m_list, column->second, twips);
        return setWidgetEdge(m_widgets.at(element), edge, twips);
    }

private:
    std::map<Element, QWidget*> m_widgets;
    QAbstractItemView* m_list;
    std::map<Element, int> m_columns;
};

} // namespace parlowen
