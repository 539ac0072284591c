// The per-user store of text values, addressed by application, section and key.
#pragma once

#include <string>

namespace parlowen {

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    // Returns the stored text, or "" when the key holds no value.
    virtual std::string read(const std::string& application, const std::string& section,
                             const std::string& key) const = 0;
    // Stores the text under the key, replacing what was there.
    virtual void write(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& value) = 0;
};

} // namespace parlowen
