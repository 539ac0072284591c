// The modal message box with an OK button only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace parlowen {

class Messages
{
public:
    virtual ~Messages() = default;
    // Shows the text under the title and returns when the user has pressed OK.
    virtual void show(const std::string& title, const std::string& text) = 0;
    // Asks a question with Yes and No, No the default; true for Yes.
    virtual bool ask(const std::string& title, const std::string& text) = 0;
    // Asks with a button for each choice (mnemonics marked with "&"); returns the position of
    // the one pressed. The last choice is the default, and what Escape gives.
    virtual std::size_t choose(const std::string& title, const std::string& text,
                               const std::vector<std::string>& choices) = 0;
};

} // namespace parlowen
