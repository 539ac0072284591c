// Which pointer each part of the two windows shows, and the cursor-file rule behind it.
#pragma once

#include "platform/pointer.h"

#include <optional>
#include <string>
#include <utility>

namespace parlowen {

inline constexpr const char* kHandCursor = "HAND-M.CUR";
inline constexpr const char* kDropCursor = "dragfolder.cur";

enum class Form1Part
{
    Button,
    BrowsePicture,
    ResultList,
    Background,
    NoRule
};
enum class Form3Part
{
    Button,
    Background,
    NoRule
};

// The program folder's cursor file loaded into the custom image when it exists (a missing file
// keeps whatever image was there), without showing it; true when it was loaded. Windows load
// the hand this way when they open.
bool LoadCursorFile(PointerState& pointer, const std::string& programFolder,
                    const std::string& name);

// The same, and the custom image is shown either way.
void ShowCursorFile(PointerState& pointer, const std::string& programFolder,
                    const std::string& name);

// The rule of a pointer move over a part of the main window; a result list's rule depends on
// whether it has rows.
void pointerMoveOnForm1(PointerState& pointer, Form1Part part, bool listHasRows,
                        const std::string& programFolder);

// The rule of a pointer move over a part of the wizard, which never reads a file here.
void pointerMoveOnForm3(PointerState& pointer, Form3Part part);

} // namespace parlowen
