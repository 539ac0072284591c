// Opening a file with the program the desktop associates with its type.
#pragma once

#include <functional>
#include <string>

namespace parlowen {

class Shell
{
public:
    virtual ~Shell() = default;
    // Asks the desktop to open the file; does not wait. told hears later, on the caller's
    // thread, whether a program took it (false when none opens files of its type).
    virtual void openFile(const std::string& path, std::function<void(bool opened)> told) = 0;
};

} // namespace parlowen
