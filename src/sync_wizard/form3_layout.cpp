// The wizard window's layout arithmetic.
#include "sync_wizard/form3_layout.h"

namespace parlowen {

std::array<double, 3> planColumnWidths(double listWidth)
{
    return {listWidth * 2 / 5 - 100, listWidth / 5 - 100, listWidth * 2 / 5 - 100};
}

void layOutForm3(LayoutSurface<Form3Element>& s, double W, double H)
{
    using E = Form3Element;
    s.set(E::ListView1, Edge::Width, W - 400);
    s.set(E::ListView1, Edge::Height, H - 1900);
    for (E button : {E::Check1, E::Check2, E::Check4, E::Check5})
        s.set(button, Edge::Top, H - 1670);
    const auto columns = planColumnWidths(s.get(E::ListView1, Edge::Width));
    s.set(E::SourceColumn, Edge::Width, columns[0]);
    s.set(E::ActionColumn, Edge::Width, columns[1]);
    s.set(E::DestinationColumn, Edge::Width, columns[2]);
    s.set(E::Frame1, Edge::Top, s.get(E::Check5, Edge::Top) - 127);
    s.set(E::Frame1, Edge::Width, W - 6660);
    s.set(E::Label1, Edge::Width, s.get(E::Frame1, Edge::Width) - 400);
}

} // namespace parlowen
