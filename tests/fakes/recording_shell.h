// A shell that records which files it was asked to open.
#pragma once

#include "platform/shell.h"

#include <string>
#include <vector>

namespace parlowen::testing {

class RecordingShell final : public Shell
{
public:
    void openFile(const std::string& path) override { opened.push_back(path); }
    std::vector<std::string> opened;
};

} // namespace parlowen::testing
