// A settings store held in memory.
#include "fakes/memory_settings_store.h"

namespace parlowen {

std::string MemorySettingsStore::read(const std::string& application, const std::string& section,
                                      const std::string& key) const
{
    const auto found = m_values.find({application, section, key});
    return found == m_values.end() ? std::string() : found->second;
}

void MemorySettingsStore::write(const std::string& application, const std::string& section,
                                const std::string& key, const std::string& value)
{
    m_values[{application, section, key}] = value;
    ++m_writes;
}

} // namespace parlowen
