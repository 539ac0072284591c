// The wizard window's layout arithmetic.
#pragma once

#include "platform/layout_surface.h"

#include <array>

namespace parlowen {

enum class Form3Element
{
    ListView1,
    Check1,
    Check2,
    Check4,
    Check5,
    Frame1,
    Label1,
    SourceColumn,
    ActionColumn,
    DestinationColumn
};

// Lays the wizard out for its outer width and height (twips); a refused step leaves its
// element as it was and the rest still run.
void layOutForm3(LayoutSurface<Form3Element>& surface, double outerWidth, double outerHeight);

// The "Source", "Action" and "Destination" column widths (twips) of a list this wide.
std::array<double, 3> planColumnWidths(double listWidth);

} // namespace parlowen
