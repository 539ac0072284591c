// The geometry a layout routine reads and writes: one rectangle per element, in twips.
#pragma once


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

} // namespace parlowen
