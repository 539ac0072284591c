// The system's folder dialog.
#pragma once

#include <string>

namespace parlowen {

class FolderDialog
{
public:
    virtual ~FolderDialog() = default;
    // Shows the dialog with the prompt; the chosen folder's path, or "" when cancelled.
    virtual std::string browseForFolder(const std::string& prompt) = 0;
};

} // namespace parlowen
