// Comparing two folders: both sides scanned at once, then matched.
#include "compare/comparison.h"

#include "platform/player_identity.h"

#include "compare/device_scan.h"
#include "platform/file_system_kind.h"
#include "platform/folder_identity.h"
#include "platform/mtp_address.h"
#include "platform/unique_fd.h"

#include <exception>
#include <fcntl.h>
#include <iterator>
#include <thread>

namespace parlowen {
namespace {

// Which folder the root is as its scan begins, so a Sync can tell it is still the same one.
std::optional<FolderIdentity> rootIdentity(const std::string& root)
{
    const auto identity = folderIdentity(AT_FDCWD, root.c_str());
    return identity.error ? std::nullopt : std::optional(identity.value);
}

// Whether the root's file system holds one name whatever its capitals (FAT, exFAT).
bool tellsNoCapitals(const std::string& root)
{
    const UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DeviceTraits traits;
    return fd && !readDeviceTraits(fd.get(), traits) && traits.caseInsensitive;
}

} // namespace

namespace {

// A side on a player that speaks MTP.
Main::ScanOutcome scanDevice(MtpDevices* devices, const std::string& address,
                             std::string& problem, SideFacts& facts, std::stop_token stop,
                             GrowingRows* rows)
{
    if (!devices) {
        problem = "players that speak MTP cannot be reached from here";
        return {};
    }
    auto where = Main::findDeviceFolder(*devices, address);
    problem = where.problem;
    if (!problem.empty())
        return {};
    std::vector<std::string> cleared;
    if (!devices->journalPath.empty()) {
        UploadJournal journal(devices->journalPath);
        cleared = clearUnfinishedUploads(*where.device, journal);
        where.unfinished = journal.entriesFor(where.device->host());
    }
    // Players keep their music on FAT or exFAT, or answer names whatever their capitals.
    facts.caseInsensitive = true;
    facts.on = Place::On::Device;
    facts.plays = where.device->playedTypes();
    auto outcome = Main::ScanDeviceTree(where, Main::rootOf(address), std::move(stop), rows);
    facts.unreadable = outcome.unreadable;
    outcome.skipped.insert(outcome.skipped.begin(), cleared.begin(), cleared.end());
    return outcome;
}

} // namespace

Comparison compareFolders(const std::string& leftRoot, const std::string& rightRoot,
                          std::stop_token stop, LiveRows* live, MtpDevices* devices,
                          const ConvertSetupSource& convert)
{
    Main::ScanOutcome left;
    Main::ScanOutcome right;
    Comparison c;
    // A side that cannot be compared ends the other's scan too.
    std::stop_source both;
    const std::stop_callback forward(stop, [&both] { both.request_stop(); });
    const auto scanSide = [&both, devices](const std::string& root, std::string& problem,
                                           std::optional<FolderIdentity>& seen, SideFacts& facts,
                                           GrowingRows* rows) {
        if (isMtpAddress(root)) {
            auto outcome = scanDevice(devices, root, problem, facts, both.get_token(), rows);
            if (!problem.empty())
                both.request_stop();
            return outcome;
        }
        problem = Main::rootProblem(root);
        if (!problem.empty()) {
            both.request_stop();
            return Main::ScanOutcome{};
        }
        seen = rootIdentity(root);
        facts.caseInsensitive = tellsNoCapitals(root);
        facts.plays = driveOutputFormats(root);
        auto outcome = Main::ScanFolderTree(root, both.get_token(), rows);
        facts.unreadable = outcome.unreadable;
        return outcome;
    };
    std::exception_ptr leftFailure;
    {
        // A failure there is the caller's to report, as one on this thread is.
        std::jthread leftScan([&] {
            try {
                left = scanSide(leftRoot, c.leftProblem, c.leftSeen, c.leftFacts,
                                live ? &live->left : nullptr);
            } catch (...) {
                leftFailure = std::current_exception();
            }
        });
        right = scanSide(rightRoot, c.rightProblem, c.rightSeen, c.rightFacts,
                         live ? &live->right : nullptr);
    } // the left scan is joined here
    if (leftFailure)
        std::rethrow_exception(leftFailure);
    if (!c.leftProblem.empty() || !c.rightProblem.empty())
        return c;
    c.abandoned = left.abandoned || right.abandoned;
    if (c.abandoned)
        return c;
    c.left = std::move(left.rows);
    c.right = std::move(right.rows);
    c.skipped = std::move(left.skipped);
    c.skipped.insert(c.skipped.end(), std::make_move_iterator(right.skipped.begin()),
                     std::make_move_iterator(right.skipped.end()));
    if (convert)
        c.leftFacts.converted = convert();
    if (live)
        matchRows(live->left.scanned(), live->right.scanned(), c.plan, Main::rootOf(leftRoot),
                  Main::rootOf(rightRoot), c.leftFacts, c.rightFacts, &c.skipped);
    else
        matchRows(c, Main::rootOf(leftRoot), Main::rootOf(rightRoot));
    return c;
}

} // namespace parlowen
