// Opening a file with the program the desktop associates with its type.
#pragma once

#include <string>

namespace parlowen {

class Shell
{
public:
    virtual ~Shell() = default;
    // Asks the desktop to open the file; does not wait, and the answer is not examined.
    virtual void openFile(const std::string& path) = 0;
};

} // namespace parlowen
