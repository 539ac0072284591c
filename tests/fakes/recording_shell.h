// A shell that records which files it was asked to open.
#pragma once

#include "platform/shell.h"

#include <string>
#include <vector>

namespace parlowen::testing {

class RecordingShell final : public Shell
{
public:
    void openFile(const std::string& path, std::function<void(bool)> told) override
    {
        opened.push_back(path);
        if (told)
            told(programFound);
    }
    std::vector<std::string> opened;
    bool programFound = true;
};

} // namespace parlowen::testing
