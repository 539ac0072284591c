// What the main window's commands decide.
#include "main_window/commands.h"

#include "sync_wizard/progress_meter.h"

#include "compare/comparison.h"
#include "compare/folder_scan.h"
#include "main_window/probes/path_probes.h"

namespace parlowen {
namespace {

// "The folder on the left, /media/ann/PLAYR, does not exist."
std::string sideSentence(const char* side, const std::string& text, const std::string& problem)
{
    if (text.empty())
        return std::string("No folder is given on the ") + side + ".";
    // "it does not exist", "it is not a folder", ... or what keeps a player from answering.
    const std::string said =
        problem.starts_with("it ") ? problem.substr(3) : "cannot be reached: " + problem;
    return std::string("The folder on the ") + side + ", " + text + ", " + said + ".";
}

} // namespace


std::optional<Message> folderCheck(const std::string& leftText, const std::string& rightText)
{
    return folderRefusal(leftText, Main::rootProblem(leftText), rightText,
                         Main::rootProblem(rightText));
}

std::optional<Message> folderRefusal(const std::string& leftText, const std::string& left,
                                     const std::string& rightText, const std::string& right)
{
    if (left.empty() && right.empty())
        return std::nullopt;
    std::string text;
    if (!left.empty())
        text += sideSentence("left", leftText, left) + "\n";
    if (!right.empty())
        text += sideSentence("right", rightText, right) + "\n";
    return Message{"Error", text + "\n" + kInvalidFolders};
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
        // What was done too, so a failure does not read as if nothing happened.
        const std::size_t done = run.done.size();
        message = {"Error", countText(done) + " of " + countText(run.total) +
                                (run.total == 1 ? " operation" : " operations") +
                                (done == 1 ? " was" : " were") + " carried out; " +
                                countText(failures.size()) + " could not be:\n" +
                                failureList(failures)};
    }
    if (message.title != "Congratulations" && !run.logFile.empty())
        message.text += "\n\nEvery operation of this run is listed in " + run.logFile + ".";
    for (const auto& note : run.notes)
        message.text += "\n\n" + note;
    return message;
}

} // namespace parlowen
