// What the main window's commands decide, without the window: the folder check of Compare,
// Sync's choice between the wizard and a message, and the message after the wizard's OK. The
// headless tool decides with the same functions.
#pragma once

#include "compare/result_store.h"
#include "sync_wizard/executor.h"

#include <optional>
#include <string>
#include <vector>

namespace parlowen {

// A message as a box shows it.
struct Message
{
    std::string title;
    std::string text;
};

// Compare's check of the two box texts, both probed whatever the first one says: the "Error"
// message naming each side that is no folder or cannot be listed, and why; else nothing. It
// may wait on a device: never on the window's thread.
std::optional<Message> folderCheck(const std::string& leftText, const std::string& rightText);
// The same message from each side's problem as Main::rootProblem says it ("" for none).
std::optional<Message> folderRefusal(const std::string& leftText, const std::string& leftProblem,
                                     const std::string& rightText, const std::string& rightProblem);

// Sync opens the wizard when the last Compare planned something (no message), else explains.
std::optional<Message> syncRefusal(const ResultStore& plan, std::size_t leftRows,
                                   std::size_t rightRows, const std::string& leftText,
                                   const std::string& rightText);

// The message after the wizard's OK (or Stop) and the fresh Compare: congratulations, the
// failures, or where the stop left the plan, then the run's notes.
Message syncEndMessage(const CarryOutResult& run, const std::string& leftText,
                       const std::string& rightText);

} // namespace parlowen
