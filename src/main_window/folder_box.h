// A folder box as the history routines see it: an editable text with a list of entries.
#pragma once

#include <string>

namespace parlowen {

// Changing the text or the selection raises the box's change and click handling, possibly while
// the routine that made the change is still running; the history routines allow for that.
class FolderBox
{
public:
    virtual ~FolderBox() = default;
    virtual std::string text() const = 0;
    // Empties the list and the text.
    virtual void clearList() = 0;
    // Appends an entry to the list; the text and the selection stay as they are.
    virtual void addEntry(const std::string& entry) = 0;
    virtual int count() const = 0;
    // Selects the entry at the position (its text becomes the box's text); -1 selects nothing.
    virtual void select(int position) = 0;
    // The selected position, -1 for none.
    virtual int selectedPosition() const = 0;
};

struct FolderBoxes
{
    FolderBox& left;
    FolderBox& right;
};

} // namespace parlowen
