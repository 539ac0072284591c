// Message boxes with an OK button only and no icon.
#pragma once

#include "platform/messages.h"

namespace parlowen {

class QtMessages final : public Messages
{
public:
    void show(const std::string& title, const std::string& text) override;
    bool ask(const std::string& title, const std::string& text) override;
    std::size_t choose(const std::string& title, const std::string& text,
                       const std::vector<std::string>& choices) override;
};

} // namespace parlowen
