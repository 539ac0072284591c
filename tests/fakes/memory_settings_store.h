// A settings store held in memory, for tests and tools that must not touch the user's files.
#pragma once

#include "platform/settings_store.h"

#include <map>
#include <tuple>

namespace parlowen {

class MemorySettingsStore final : public SettingsStore
{
public:
    std::string read(const std::string& application, const std::string& section,
                     const std::string& key) const override;
    void write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override;
    // How many writes have been made, so tests can tell "written again" from "left alone".
    int writeCount() const { return m_writes; }

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> m_values;
    int m_writes = 0;
};

} // namespace parlowen
