// A message interface that records what would have been shown, so no test blocks on a dialog.
#pragma once

#include "platform/messages.h"

#include <string>
#include <vector>

namespace parlowen::testing {

struct ShownMessage
{
    std::string title;
    std::string text;
};

class RecordingMessages final : public Messages
{
public:
    void show(const std::string& title, const std::string& text) override
    {
        shown.push_back({title, text});
    }
    bool ask(const std::string& title, const std::string& text) override
    {
        asked.push_back({title, text});
        return answerYes;
    }
    std::vector<ShownMessage> asked;
    bool answerYes = false;
    std::vector<ShownMessage> shown;
};

} // namespace parlowen::testing
