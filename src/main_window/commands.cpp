// What the main window's commands decide.
#include "main_window/commands.h"

#include "sync_wizard/progress_meter.h"

#include "compare/comparison.h"
#include "main_window/probes/path_probes.h"

namespace parlowen {

std::optional<Message> folderCheck(const std::string& leftText, const std::string& rightText)
{
    const bool leftIsFolder = OldMain::IsFolder(leftText);
    const bool rightIsFolder = OldMain::IsFolder(rightText);
    if (leftIsFolder && rightIsFolder)
        return std::nullopt;
    return Message{"Error", kInvalidFolders};
}

std::optional<Message> syncRefusal(const ResultStore& plan, std::size_t leftRows,
                                   std::size_t rightRows, const std::string& leftText,
                                   const std::string& rightText)
{
    if (!plan.empty())
        return std::nullopt;
    if (leftRows == 0 || rightRows == 0)
        return Message{"Error", "Nothing to synchronize. You need to select two folders and "
                                "generate results by clicking 'Compare'."};
    return Message{"Error",
                   "No need to synchronize. " + leftText + " & " + rightText + " are identical."};
}

Message syncEndMessage(const CarryOutResult& run, const std::string& leftText,
                       const std::string& rightText)
{
    const auto& failures = run.failures;
    Message message;
    if (run.stopped) {
        message = {"Sync stopped", "Stopped after " + countText(run.finished) + " of " +
                                       countText(run.total) + " operations."};
        if (!failures.empty())
            message.text += "\n\n" + failureReport(failures);
    } else if (failures.empty()) {
        message = {"Congratulations", leftText + " & " + rightText + " have been synchronized."};
    } else {
        message = {"Error", failureReport(failures)};
    }
    if (message.title != "Congratulations" && !run.logFile.empty())
        message.text += "\n\nEvery operation of this run is listed in " + run.logFile + ".";
    for (const auto& note : run.notes)
        message.text += "\n\n" + note;
    return message;
}

} // namespace parlowen
