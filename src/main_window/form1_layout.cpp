// The main window's layout arithmetic.
#include "main_window/form1_layout.h"

#include "main_window/stored_numbers.h"

namespace parlowen {

void layOutForm1(LayoutSurface<Form1Element>& s, double W, double H)
{
    using E = Form1Element;
    const auto get = [&s](E element, Edge edge) { return s.get(element, edge); };

    s.set(E::ListView1, Edge::Width, W / 2 - 250);
    s.set(E::ListView1, Edge::Height, H - 2495);
    s.set(E::ListView2, Edge::Width, W / 2 - 250);
    s.set(E::ListView2, Edge::Height, H - 2495);
    s.set(E::Check1, Edge::Top, H - 1650);
    s.set(E::Check2, Edge::Top, H - 1650);
    s.set(E::Check7, Edge::Top, H - 1650);
    s.set(E::ListView2, Edge::Left, get(E::ListView1, Edge::Width) + 250);
    s.set(E::Label5, Edge::Left, get(E::ListView1, Edge::Width) + 250);
    s.set(E::Frame1, Edge::Top, get(E::Check7, Edge::Top) - 127);
    s.set(E::Frame1, Edge::Width, W - 5100);
    s.set(E::Combo1, Edge::Width, get(E::ListView1, Edge::Width) - 300);
    s.set(E::Combo2, Edge::Width, get(E::ListView2, Edge::Width) - 300);
    s.set(E::Combo2, Edge::Left, get(E::ListView2, Edge::Left));
    s.set(E::Image1, Edge::Left, get(E::Combo1, Edge::Width) + 150);
    s.set(E::Image1, Edge::Top, get(E::Combo1, Edge::Top) + 75);
    s.set(E::Image2, Edge::Left, get(E::Combo1, Edge::Width) + get(E::Combo2, Edge::Width) + 570);
    s.set(E::Image2, Edge::Top, get(E::Combo2, Edge::Top) + 75);
}

std::array<double, 4> resultColumnWidths(double W)
{
    return {W * 3 / 4 - 100, W / 4 - 100, W / 3 - 100, W / 2 - 100};
}

StartupWindow startupWindow(const std::string& storedState, const std::string& storedHeight)
{
    StartupWindow result;
    const auto state = parseInt16(storedState);
    if (state && *state >= 0 && *state <= 2)
        result.state = static_cast<WindowState>(*state);
    const auto height = parseInt16(storedHeight);
    if (height && *height > 0)
        result.outerHeight = *height;
    return result;
}

} // namespace parlowen
