// Opening files through the desktop's own opener (xdg-open).
#pragma once

#include "platform/shell.h"

namespace parlowen {

class QtShell final : public Shell
{
public:
    // The started program runs in the given folder (the program's own).
    explicit QtShell(std::string workingFolder) : m_workingFolder(std::move(workingFolder)) {}
    void openFile(const std::string& path, std::function<void(bool opened)> told) override;

private:
    std::string m_workingFolder;
};

} // namespace parlowen
