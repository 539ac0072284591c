// The geometry a layout routine reads and writes: one rectangle per element, in twips.
#pragma once

#include <cmath>
#include <map>

namespace parlowen {

enum class Edge
{
    Left,
    Top,
    Width,
    Height
};

template <class Element> class LayoutSurface
{
public:
    virtual ~LayoutSurface() = default;
    // The value as the window reports it now.
    virtual double get(Element element, Edge edge) const = 0;
    // Applies the value; returns false when the window system refuses it (a negative width or
    // height), in which case the element keeps its old value.
    virtual bool set(Element element, Edge edge, double twips) = 0;
};

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
