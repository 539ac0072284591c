// parlowen-compare [--apply [--copy-anyway]] LEFT RIGHT: the window's comparison (and its Sync)
// without a window, printed as records.
#include "compare/comparison.h"
#include "compare/report.h"
#include "main_window/commands.h"
#include "platform/end_signals.h"
#include "platform/messages.h"
#include "platform/open_file_limit.h"
#include "platform/posix_file_ops.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <stop_token>
#include <unistd.h>

namespace {

enum ExitStatus
{
    kNothingPlanned = 0,
    kPlanned = 1,
    kNoFolders = 2,
    kFailed = 3,
    kNoRoom = 4,
    kStopped = 130
};

constexpr const char* kUsage = "usage: parlowen-compare [--apply [--copy-anyway]] LEFT RIGHT\n"
                               "       parlowen-compare --help | --version\n";

constexpr const char* kHelp =
    "Compares two folder trees as Parlowen's window does and prints one tab-separated record a\n"
    "line: L and R for the rows of each side, OP for each planned operation.\n"
    "\n"
    "  --apply        carry the plan out as the Sync wizard's OK does, print a FAILED line for\n"
    "                 each operation that failed, then print the comparison made afresh\n"
    "  --copy-anyway  with --apply: copy even when the plan does not fit on a device\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "\n"
    "Ctrl+C (or SIGTERM) during --apply stops after the file being copied is abandoned;\n"
    "what is done stays done.\n"
    "\n"
    "Exit status: 0 nothing planned, 1 operations planned, 2 no folders or bad arguments,\n"
    "3 an operation failed, 4 not enough room (nothing touched), 130 stopped.\n";

class StderrMessages final : public parlowen::Messages
{
public:
    void show(const std::string& title, const std::string& text) override
    {
        std::cerr << title << ": " << text << '\n';
    }
    bool ask(const std::string&, const std::string&) override { return false; }
};

struct Arguments
{
    bool apply = false;
    bool copyAnyway = false;
    std::string left;
    std::string right;
};

// The one-line progress on a terminal, rewritten at most ten times a second.
class TerminalProgress
{
public:
    void show(const parlowen::CopyProgress& progress)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_shown < std::chrono::milliseconds(100))
            return;
        m_shown = now;
        const std::chrono::duration<double> seconds = now - m_began;
        std::string line = m_meter.line(progress, seconds.count());
        line.resize(std::max(line.size(), m_width), ' ');
        m_width = line.size();
        std::cerr << '\r' << line << std::flush;
    }
    void end()
    {
        if (m_width > 0)
            std::cerr << '\r' << std::string(m_width, ' ') << '\r' << std::flush;
    }

private:
    parlowen::ProgressMeter m_meter;
    std::chrono::steady_clock::time_point m_began = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_shown;
    std::size_t m_width = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    // Ctrl+C ends the program at once, except while copying: then the copy stops cleanly first.
    std::stop_source stop;
    std::atomic<bool> copying = false;
    const parlowen::EndSignals endSignals([&stop, &copying] {
        if (!copying)
            std::_Exit(kStopped);
        stop.request_stop();
    });
    std::setlocale(LC_ALL, "");     // the same date and time texts as the window
    parlowen::raiseOpenFileLimit(); // a run holds each of its target folders open
    std::ios::sync_with_stdio(false);

    Arguments args;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << kUsage << '\n' << kHelp;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "parlowen-compare " << PARLOWEN_VERSION << '\n';
            return 0;
        }
        if (arg == "--apply")
            args.apply = true;
        else if (arg == "--copy-anyway")
            args.copyAnyway = true;
        else
            folders.push_back(arg);
    }
    if (folders.size() != 2 || (args.copyAnyway && !args.apply)) {
        std::cerr << kUsage;
        return kNoFolders;
    }
    args.left = folders[0];
    args.right = folders[1];

    StderrMessages messages;
    if (const auto refused = parlowen::folderCheck(args.left, args.right)) {
        messages.show(refused->title, refused->text);
        return kNoFolders;
    }
    const auto compare = [&] {
        auto comparison = parlowen::compareFolders(args.left, args.right);
        for (const auto& sentence : comparison.skipped)
            messages.show("Skip", sentence);
        return comparison;
    };
    auto comparison = compare();
    if (!args.apply) {
        parlowen::writeReport(std::cout, comparison);
        return comparison.plan.empty() ? kNothingPlanned : kPlanned;
    }

    parlowen::PosixFileOps files;
    const auto shortfalls = parlowen::roomShortfalls(comparison.plan, files);
    if (!shortfalls.empty() && !args.copyAnyway) {
        std::cerr << parlowen::roomQuestion(shortfalls)
                  << " Give --copy-anyway to copy all the same; nothing was touched.\n";
        return kNoRoom;
    }
    TerminalProgress terminal;
    parlowen::CarryOutControl control{{}, stop.get_token()};
    if (::isatty(STDERR_FILENO))
        control.progress = [&terminal](const auto& progress) { terminal.show(progress); };
    copying = true;
    const auto run = parlowen::carryOut(comparison.plan, files, control);
    terminal.end();
    for (const auto& note : run.notes)
        std::cerr << "Note: " << note << '\n';
    for (const auto& f : run.failures)
        std::cout << "FAILED\t" << parlowen::escapeField(f.sourcePath) << '\t'
                  << parlowen::escapeField(f.targetPath) << '\t' << parlowen::escapeField(f.reason)
                  << '\n';
    if (run.stopped)
        std::cerr << "Stopped after " << parlowen::countText(run.finished) << " of "
                  << parlowen::countText(run.total) << " operations.\n";
    comparison = compare();
    parlowen::writeReport(std::cout, comparison);
    std::cout.flush();
    if (run.stopped)
        return kStopped;
    if (!run.failures.empty())
        return kFailed;
    return comparison.plan.empty() ? kNothingPlanned : kPlanned;
}
