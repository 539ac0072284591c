// Which pointer each part of the two windows shows.
#include "main_window/pointer_rules.h"

#include "main_window/probes/path_probes.h"

namespace parlowen {

bool LoadCursorFile(PointerState& pointer, const std::string& programFolder,
                    const std::string& name)
{
    const std::string path = programFolder + "/" + name;
    if (!OldMain::FileExists(path))
        return false;
    pointer.customImage = path;
    return true;
}

void ShowCursorFile(PointerState& pointer, const std::string& programFolder,
                    const std::string& name)
{
    LoadCursorFile(pointer, programFolder, name);
    pointer.mode = PointerMode::Custom;
}

void pointerMoveOnForm1(PointerState& pointer, Form1Part part, bool listHasRows,
                        const std::string& programFolder)
{
    switch (part) {
    case Form1Part::Button:
    case Form1Part::BrowsePicture:
        ShowCursorFile(pointer, programFolder, kHandCursor);
        break;
    case Form1Part::ResultList:
        // An empty list invites a drop; a filled one does not.
        if (listHasRows)
            pointer.mode = PointerMode::Arrow;
        else
            ShowCursorFile(pointer, programFolder, kDropCursor);
        break;
    case Form1Part::Background:
        pointer.mode = PointerMode::Arrow;
        break;
    case Form1Part::NoRule:
        break;
    }
}

void pointerMoveOnForm3(PointerState& pointer, Form3Part part)
{
    if (part == Form3Part::Button)
        pointer.mode = PointerMode::Custom;
    else if (part == Form3Part::Background)
        pointer.mode = PointerMode::Arrow;
}

} // namespace parlowen
