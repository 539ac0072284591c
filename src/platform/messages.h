// The modal message box with an OK button only.
#pragma once

#include <string>

namespace parlowen {

class Messages
{
public:
    virtual ~Messages() = default;
    // Shows the text under the title and returns when the user has pressed OK.
    virtual void show(const std::string& title, const std::string& text) = 0;
    // Asks a question with Yes and No, No the default; true for Yes.
    virtual bool ask(const std::string& title, const std::string& text) = 0;
};

} // namespace parlowen
