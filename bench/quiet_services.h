// The platform pieces a benchmark's windows need that must never wait for a person: every
// question is answered yes (the first choice), nothing is opened, no folder is chosen.
#pragma once

#include "platform/folder_dialog.h"
#include "platform/messages.h"
#include "platform/shell.h"

namespace parlowen::bench {

class NoMessages final : public Messages
{
public:
    void show(const std::string&, const std::string&) override {}
    bool ask(const std::string&, const std::string&) override { return true; }
    std::size_t choose(const std::string&, const std::string&,
                       const std::vector<std::string>&) override
    {
        return 0;
    }
};

class NoShell final : public Shell
{
public:
    void openFile(const std::string&, std::function<void(bool)>) override {}
};

class NoDialog final : public FolderDialog
{
public:
    std::string browseForFolder(const std::string&) override { return {}; }
};

} // namespace parlowen::bench
