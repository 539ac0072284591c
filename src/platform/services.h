// The platform objects the forms work through, built once in main() or in a test fixture.
#pragma once

#include "platform/messages.h"
#include "platform/settings_store.h"

#include <string>

namespace parlowen {

struct Services
{
    SettingsStore& settings;
    Messages& messages;
    std::string programFolder; // the folder that holds the executable, where its cursor files lie
};

} // namespace parlowen
