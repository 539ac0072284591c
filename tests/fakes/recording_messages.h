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
    std::size_t choose(const std::string& title, const std::string& text,
                       const std::vector<std::string>& choices) override
    {
        asked.push_back({title, text});
        offered = choices;
        return choice < choices.size() ? choice : choices.size() - 1;
    }
    std::vector<ShownMessage> asked;
    bool answerYes = false;
    std::size_t choice = ~std::size_t(0); // the default (the last) unless set
    std::vector<std::string> offered;
    std::vector<ShownMessage> shown;
};

} // namespace parlowen::testing
