// A layout surface held in memory, for the layout routines' tests.
#pragma once

#include "platform/layout_surface.h"

#include <cmath>
#include <map>
#include <utility>

namespace parlowen {

// A surface held in memory: refuses negative sizes and, when asked, rounds to whole pixels as a
// real window does.
template <class Element> class TwipSurface final : public LayoutSurface<Element>
{
public:
    explicit TwipSurface(bool roundToPixels = false) : m_round(roundToPixels) {}

    double get(Element element, Edge edge) const override
    {
        const auto found = m_values.find({element, edge});
        return found == m_values.end() ? 0.0 : found->second;
    }

    bool set(Element element, Edge edge, double twips) override
    {
        if ((edge == Edge::Width || edge == Edge::Height) && twips < 0)
            return false;
        m_values[{element, edge}] = m_round ? std::round(twips / 15.0) * 15.0 : twips;
        return true;
    }

private:
    bool m_round;
    std::map<std::pair<Element, Edge>, double> m_values;
};

} // namespace parlowen
