// Widget geometry in twips: placing widgets, reading a window's outer size, and the layout
// surface over a form's widgets.
#pragma once

#include "platform/layout_surface.h"

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

template <class Element> class WidgetSurface final : public LayoutSurface<Element>
{
public:
    explicit WidgetSurface(std::map<Element, QWidget*> widgets) : m_widgets(std::move(widgets)) {}
    double get(Element element, Edge edge) const override
    {
        return widgetEdge(m_widgets.at(element), edge);
    }
    bool set(Element element, Edge edge, double twips) override
    {
        return setWidgetEdge(m_widgets.at(element), edge, twips);
    }

private:
    std::map<Element, QWidget*> m_widgets;
};

} // namespace parlowen
