// Run inside the MTP test machine: holds the device layer for its whole life, as the window
// does, compares a player's folder, has the player pulled out and plugged in again, then
// compares and syncs once more. Both must work without a restart.
// Usage: replug_check ADDRESS PC_FOLDER
#include "compare/comparison.h"
#include "platform/mtp_devices.h"
#include "platform/posix_file_ops.h"
#include "platform/upload_journal.h"
#include "sync_wizard/executor.h"

#include <chrono>
#include <cstdio>
#include <thread>

using namespace parlowen;

namespace {

Comparison compare(MtpDevices& devices, const std::string& address, const std::string& pc)
{
    return compareFolders(address, pc, {}, nullptr, &devices);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: replug_check ADDRESS PC_FOLDER\n");
        return 2;
    }
    const std::string address = argv[1];
    const std::string pc = argv[2];
    LibmtpDevices devices;
    devices.journalPath = uploadJournalPath();
    const auto first = compare(devices, address, pc);
    std::printf("replug: first compare %s\n", first.leftProblem.empty() ? "ok" : first.leftProblem.c_str());
    std::printf("=== REPLUG SECOND PLAYER\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(4)); // the player is pulled out meanwhile
    Comparison again;
    for (int attempt = 0; attempt < 40; ++attempt) {
        again = compare(devices, address, pc);
        if (again.leftProblem.empty())
            break;
        std::this_thread::sleep_for(std::chrono::seconds(1)); // until it is back
    }
    std::printf("replug: compare after the replug %s\n",
                again.leftProblem.empty() ? "ok" : again.leftProblem.c_str());
    const SyncRoots roots = comparedRoots(address, pc, {}, {});
    const ResultStore toPlayer = filterPlan(again.plan, roots, {.onlyTo = Side::Left, .excluded = {}});
    PosixFileOps files;
    const auto run = carryOut(toPlayer, files, {.createFolders = true, .roots = roots, .devices = &devices});
    std::printf("replug: sync after the replug, %zu of %zu done\n", run.done.size(), toPlayer.size());
    for (const auto& failure : run.failures)
        std::printf("replug: FAILED %s\n", failure.reason.c_str());
    return run.failures.empty() && !toPlayer.empty() ? 0 : 1;
}
