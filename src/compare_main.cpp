// parlowen-compare [--apply [--copy-anyway]] LEFT RIGHT: the window's comparison (and its Sync)
// without a window, printed as records.
#include "compare/comparison.h"
#include "compare/converted_pairs.h"
#include "compare/playlist_rows.h"
#include "compare/folder_scan.h"
#include "compare/report.h"
#include "main_window/commands.h"
#include "platform/end_signals.h"
#include "platform/messages.h"
#include "platform/mtp_address.h"
#include "platform/mtp_devices.h"
#include "platform/upload_journal.h"
#include "platform/open_file_limit.h"
#include "platform/posix_file_ops.h"
#include "sync_wizard/choices.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/progress_meter.h"
#include "sync_wizard/room_check.h"
#include "sync_wizard/sync_log.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <stop_token>
#include <filesystem>
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

constexpr const char* kUsage =
    "usage: parlowen-compare [--only-to left|right] [--exclude PATTERN]...\n"
    "                        [--convert PRESET [--cover keep|drop|N]]\n"
    "                        [--playlists] [--playlists-in beside|folder] [--playlist FILE]\n"
    "                        [--apply [--copy-anyway] [--create-folders] [--no-log]] LEFT RIGHT\n"
    "       parlowen-compare --devices | --help | --version\n";

constexpr const char* kHelp =
    "Compares two folder trees as Parlowen's window does and prints one tab-separated record a\n"
    "line: L and R for the rows of each side, OP for each planned operation.\n"
    "\n"
    "  --apply        carry the plan out as the Sync wizard's OK does, print a FAILED line for\n"
    "                 each operation that failed, then print the comparison made afresh\n"
    "  --copy-anyway  with --apply: copy even when the plan does not fit on a device\n"
    "  --create-folders\n"
    "                 with --apply: make the target folders that do not exist (parents\n"
    "                 first); without it, copies into them fail\n"
    "  --no-log       with --apply: do not add the run to the Sync log\n"
    "  --only-to left|right\n"
    "                 plan only the operations that write to that side\n"
    "  --exclude PATTERN\n"
    "                 leave out the operations whose relative name matches the shell\n"
    "                 wildcard PATTERN (\"*\" also crosses \"/\"); may be given again\n"
    "  --convert PRESET\n"
    "                 give the player (LEFT) its copies of the PC's lossless songs (FLAC, WAV,\n"
    "                 AIFF, ALAC) converted: mp3-v2, opus-128, vorbis-q5 or aac-192; without\n"
    "                 it the player's saved rule (set in the window) holds\n"
    "  --cover keep|drop|N\n"
    "                 with --convert: the front cover as it is, left out, or made at most N\n"
    "                 pixels on its longer side (keep unless given)\n"
    "  --playlists    write the PC's playlists (.m3u, .m3u8, .pls) for the player: its\n"
    "                 songs' names there, relative to the playlist, UTF-8 (.pls as .m3u8)\n"
    "  --playlists-in beside|folder\n"
    "                 with the playlists: give each beside its songs, as the PC keeps it, or\n"
    "                 in a Playlists folder at the top of the player's folder (as the\n"
    "                 player's saved rule says unless given)\n"
    "  --playlist FILE\n"
    "                 plan only the songs of that playlist of the PC folder, and write it\n"
    "                 for the player\n"
    "  --devices      print the address of each storage of each player that speaks MTP,\n"
    "                 one a line (mtp://HOST/STORAGE)\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "\n"
    "Ctrl+C (or SIGTERM) during --apply stops after the file being copied is abandoned;\n"
    "what is done stays done. Each --apply run is logged to\n"
    "$XDG_STATE_HOME/parlowen/sync.log (~/.local/state/parlowen/sync.log).\n"
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
    std::size_t choose(const std::string&, const std::string&,
                       const std::vector<std::string>& choices) override
    {
        return choices.size() - 1;
    }
};

struct Arguments
{
    enum
    {
        Run,
        Help,
        Version,
        Devices,
        Wrong
    } what = Run;
    bool apply = false;
    bool copyAnyway = false;
    bool createFolders = false;
    bool log = true;
    parlowen::PlanFilter filter = {};
    std::optional<parlowen::ConvertRule> convert = {};
    bool playlists = false;
    std::optional<parlowen::ConvertRule::PlaylistPlace> playlistPlace = {};
    std::string playlist = {}; // plan only this playlist's songs, and write it
    std::string left = {};
    std::string right = {};
};

Arguments parse(int argc, char* argv[])
{
    Arguments args;
    std::vector<std::string> folders;
    std::optional<parlowen::CoverRule> cover;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valueFollows = i + 1 < argc;
        if (arg == "--help" || arg == "--version")
            return {.what = arg == "--help" ? Arguments::Help : Arguments::Version};
        if (arg == "--devices")
            return {.what = Arguments::Devices};
        if (arg == "--apply") {
            args.apply = true;
        } else if (arg == "--copy-anyway") {
            args.copyAnyway = true;
        } else if (arg == "--create-folders") {
            args.createFolders = true;
        } else if (arg == "--no-log") {
            args.log = false;
        } else if (arg == "--convert" && valueFollows && parlowen::presetNamed(argv[i + 1])) {
            if (!args.convert)
                args.convert = parlowen::ConvertRule{.on = true};
            args.convert->preset = *parlowen::presetNamed(argv[++i]);
        } else if (arg == "--playlists") {
            args.playlists = true;
        } else if (arg == "--playlists-in" && valueFollows &&
                   (argv[i + 1] == std::string("beside") || argv[i + 1] == std::string("folder"))) {
            args.playlistPlace = argv[++i] == std::string("folder")
                                     ? parlowen::ConvertRule::PlaylistPlace::PlaylistsFolder
                                     : parlowen::ConvertRule::PlaylistPlace::BesideSongs;
            args.playlists = true;
        } else if (arg == "--playlist" && valueFollows) {
            args.playlist = argv[++i];
            args.playlists = true;
        } else if (arg == "--cover" && valueFollows && parlowen::coverNamed(argv[i + 1])) {
            cover = parlowen::coverNamed(argv[++i]);
        } else if (arg == "--exclude" && valueFollows) {
            args.filter.excluded.push_back(argv[++i]);
        } else if (arg == "--only-to" && valueFollows &&
                   (argv[i + 1] == std::string("left") || argv[i + 1] == std::string("right"))) {
            args.filter.onlyTo =
                argv[++i] == std::string("left") ? parlowen::Side::Left : parlowen::Side::Right;
        } else if (arg.starts_with("--")) {
            return {.what = Arguments::Wrong};
        } else {
            folders.push_back(arg);
        }
    }
    const bool applyOnly = args.copyAnyway || args.createFolders || !args.log;
    if (folders.size() != 2 || (applyOnly && !args.apply) || (cover && !args.convert))
        return {.what = Arguments::Wrong};
    if (cover)
        args.convert->cover = *cover;
    args.left = folders[0];
    args.right = folders[1];
    return args;
}

// The operations of the playlist at path (as given, or found by its full path) and its songs;
// none where the plan writes no such playlist.
parlowen::ResultStore onlyPlaylist(const parlowen::ResultStore& plan, const std::string& path)
{
    std::error_code error;
    const auto wanted = std::filesystem::weakly_canonical(path, error);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (!plan[i].written ||
            std::filesystem::weakly_canonical(plan[i].OpSourcePath, error) != wanted)
            continue;
        parlowen::ResultStore chosen;
        for (const std::size_t at : parlowen::playlistSelection(plan, i))
            chosen.push_back(plan[at]);
        return chosen;
    }
    return {};
}

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

    const Arguments args = parse(argc, argv);
    switch (args.what) {
    case Arguments::Help:
        std::cout << kUsage << '\n' << kHelp;
        return 0;
    case Arguments::Version:
        std::cout << "parlowen-compare " << PARLOWEN_VERSION << '\n';
        return 0;
    case Arguments::Devices: {
        const auto devices = parlowen::LibmtpDevices().list();
        for (const auto& address : devices.addresses)
            std::cout << address << '\n';
        for (const auto& problem : devices.problems)
            std::cerr << "Error: " << problem << '\n';
        return 0;
    }
    case Arguments::Wrong:
        std::cerr << kUsage;
        return kNoFolders;
    case Arguments::Run:
        break;
    }

    StderrMessages messages;
    parlowen::LibmtpDevices devices;
    devices.journalPath = parlowen::uploadJournalPath();
    const std::string left = parlowen::addressOrPath(args.left);
    const std::string right = parlowen::addressOrPath(args.right);
    parlowen::SyncRoots roots = parlowen::comparedRoots(left, right, {}, {});
    const auto compare = [&] {
        auto comparison = parlowen::compareFolders(left, right, {}, nullptr, &devices,
                                                   [&] {
                                                       return parlowen::convertSetupFor(
                                                           left, args.convert, args.playlists,
                                                           args.playlistPlace);
                                                   });
        roots.leftSeen = comparison.leftSeen;
        roots.rightSeen = comparison.rightSeen;
        comparison.plan = parlowen::filterPlan(comparison.plan, roots, args.filter);
        if (!args.playlist.empty())
            comparison.plan = onlyPlaylist(comparison.plan, args.playlist);
        for (const auto& sentence : comparison.skipped)
            messages.show("Skip", sentence);
        return comparison;
    };
    auto comparison = compare();
    if (const auto refused =
            parlowen::folderRefusal(left, comparison.leftProblem, right, comparison.rightProblem)) {
        messages.show(refused->title, refused->text);
        return kNoFolders;
    }
    if (!args.apply) {
        parlowen::writeReport(std::cout, comparison);
        return comparison.plan.empty() ? kNothingPlanned : kPlanned;
    }

    parlowen::PosixFileOps files;
    const auto shortfalls =
        parlowen::roomShortfalls(comparison.plan, files, args.createFolders, roots, &devices);
    if (!shortfalls.empty() && !args.copyAnyway) {
        std::cerr << parlowen::roomQuestion(shortfalls)
                  << " Give --copy-anyway to copy all the same; nothing was touched.\n";
        return kNoRoom;
    }
    TerminalProgress terminal;
    parlowen::CarryOutControl control{.stop = stop.get_token(),
                                      .createFolders = args.createFolders,
                                      .roots = roots,
                                      .missingFolderHint = "give --create-folders to have it made",
                                      .devices = &devices};
    if (::isatty(STDERR_FILENO))
        control.progress = [&terminal](const auto& progress) { terminal.show(progress); };
    copying = true;
    const auto run =
        parlowen::carryOutAndLog(comparison.plan, files, control, {left, right},
                                 args.log ? parlowen::syncLogPath() : std::string());
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
