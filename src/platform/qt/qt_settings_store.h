// The settings store as INI files, one per application name, in a per-user config folder.
#pragma once

#include "platform/settings_store.h"

#include <QString>

namespace parlowen {

class QtSettingsStore final : public SettingsStore
{
public:
    // Keeps application "A" in folder/A.ini.
    explicit QtSettingsStore(QString folder);
    // The user's config folder (~/.config unless XDG_CONFIG_HOME says otherwise).
    static QString userFolder();

    std::string read(const std::string& application, const std::string& section,
                     const std::string& key) const override;
    void write(const std::string& application, const std::string& section, const std::string& key,
               const std::string& value) override;

private:
    QString fileFor(const std::string& application) const;
    QString m_folder;
};

} // namespace parlowen
