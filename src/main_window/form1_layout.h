// The main window's layout arithmetic: the size-change routine, the start-up column widths and
// how the stored window state and height are applied.
#pragma once

#include "platform/layout_surface.h"

#include <array>
#include <optional>
#include <string>

namespace parlowen {

// The width of the window's inside as designed (twips); it is never stored.
inline constexpr double kDesignedClientWidth = 11880;

enum class Form1Element
{
    ListView1,
    ListView2,
    Check1,
    Check2,
    Check7,
    Label5,
    Frame1,
    Combo1,
    Combo2,
    Image1,
    Image2
};

enum class WindowState
{
    Normal = 0,
    Minimized = 1,
    Maximized = 2
};

// Lays the window out for its outer width and height (twips), step by step, each step reading
// back what the surface reports; a refused step leaves its element as it was.
void layOutForm1(LayoutSurface<Form1Element>& surface, double outerWidth, double outerHeight);

// The four column widths (twips) of a result list of the given width, fractions kept.
std::array<double, 4> resultColumnWidths(double listWidth);

struct StartupWindow
{
    WindowState state = WindowState::Normal;
    std::optional<int> outerHeight; // twips; none keeps the designed height
};

// How the stored texts of WindowState and FormHeight apply at start-up: an unusable state reads
// as normal, an unusable or non-positive height is ignored.
StartupWindow startupWindow(const std::string& storedState, const std::string& storedHeight);

} // namespace parlowen
