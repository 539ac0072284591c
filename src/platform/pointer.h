// What a window's mouse pointer shows.
#pragma once

#include <string>

namespace parlowen {

enum class PointerMode
{
    Arrow,
    Hourglass,
    Custom
};

// A window's pointer: its one custom image (the cursor file last loaded, "" for none) and the
// mode, which applies to the whole window until a rule sets it again.
struct PointerState
{
    std::string customImage;
    PointerMode mode = PointerMode::Arrow;
};

} // namespace parlowen
