// How quickly a run answers: the wizard opening over 100,000 operations on a device whose every
// metadata call takes 5 ms, Stop while the target folders are opened and while a large file is
// copied, and what the Sync log adds to copying 5,000 small files.
#include "fakes/faulty_file_ops.h"
#include "fakes/memory_settings_store.h"
#include "quiet_services.h"
#include "fakes/temp_tree.h"
#include "platform/services.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/qt/form3.h"
#include "sync_wizard/sync_log.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using parlowen::testing::FaultyFileOps;
using parlowen::testing::TempTree;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

using parlowen::bench::NoDialog;
using parlowen::bench::NoMessages;
using parlowen::bench::NoShell;

parlowen::PlannedOperation copyInto(const std::string& source, const std::string& target)
{
    return {.OpSource = source,
            .OpDestination = target.substr(0, target.rfind('/') + 1),
            .OpSourcePath = source,
            .OpTargetPath = target,
            .OpAction = parlowen::kCopiedTo,
            .sourceSize = 4};
}

void wizardOpening(const TempTree& work)
{
    FaultyFileOps files;
    files.metadataDelay = std::chrono::milliseconds(5);
    parlowen::ResultStore plan;
    for (int i = 0; i < 100'000; ++i)
        plan.push_back(copyInto(work.path("pc/song.mp3"),
                                work.path("player/Album " + std::to_string(i / 10) + "/" +
                                          std::to_string(i) + ".mp3")));
    parlowen::MemorySettingsStore settings;
    NoMessages messages;
    NoShell shell;
    NoDialog dialog;
    parlowen::Services services{settings, messages, files, shell, dialog, "/nonexistent", ""};
    const auto started = Clock::now();
    auto* wizard =
        new parlowen::Form3(services, plan, {work.path("player/"), work.path("pc/")});
    wizard->show();
    QApplication::processEvents();
    const double opened = millisecondsSince(started);
    while (!wizard->devicesKnown())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("wizard over 100,000 operations, 5 ms a metadata call: open in %.0f ms "
                "(budget 300 ms); folders and room known after %.1f s\n",
                opened, millisecondsSince(started) / 1000);
    delete wizard;
}

// How long after the stop request the run returns, the request made after delay.
double stopLatency(const parlowen::ResultStore& plan, parlowen::FileOps& files,
                   std::chrono::milliseconds delay)
{
    std::stop_source stop;
    Clock::time_point asked;
    std::thread stopper([&] {
        std::this_thread::sleep_for(delay);
        asked = Clock::now();
        stop.request_stop();
    });
    parlowen::carryOut(plan, files, {.stop = stop.get_token()});
    stopper.join();
    return millisecondsSince(asked);
}

void stopInEachPhase(const TempTree& work)
{
    FaultyFileOps files;
    files.metadataDelay = std::chrono::milliseconds(10);
    parlowen::ResultStore folders;
    for (int i = 0; i < 300; ++i) {
        work.folder("player/Many/" + std::to_string(i));
        folders.push_back(copyInto(work.path("pc/song.mp3"),
                                   work.path("player/Many/" + std::to_string(i) + "/a.mp3")));
    }
    std::vector<double> opening;
    for (int run = 0; run < 5; ++run)
        opening.push_back(stopLatency(folders, files, std::chrono::milliseconds(300)));

    files.metadataDelay = std::chrono::milliseconds(0);
    files.chunkDelay = std::chrono::milliseconds(20); // a slow USB stick
    {
        std::ofstream big(work.path("pc/big.flac"), std::ios::binary);
        big.seekp((512 << 20) - 1);
        big.put('x');
    }
    parlowen::ResultStore large = {copyInto(work.path("pc/big.flac"), work.path("player/big.flac"))};
    large[0].sourceSize = 512 << 20;
    std::vector<double> copying;
    for (int run = 0; run < 5; ++run)
        copying.push_back(stopLatency(large, files, std::chrono::milliseconds(300)));
    std::printf("Stop honoured while opening 300 folders (10 ms each): median %.1f ms, worst "
                "%.1f ms; while copying a 512 MiB file: median %.1f ms, worst %.1f ms "
                "(budget 200 ms)\n",
                median(opening), *std::max_element(opening.begin(), opening.end()),
                median(copying), *std::max_element(copying.begin(), copying.end()));
}

void loggingCost(const TempTree& work)
{
    parlowen::ResultStore plan;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "small/" + std::to_string(i / 100) + "/" + std::to_string(i);
        std::ofstream(work.file("pc/" + name + ".mp3")) << std::string(4096, 's');
        work.folder("player/small/" + std::to_string(i / 100));
        plan.push_back(copyInto(work.path("pc/" + name + ".mp3"),
                                work.path("player/" + name + ".mp3")));
    }
    parlowen::PosixFileOps files;
    std::vector<double> plain;
    std::vector<double> logged;
    // Alternated, so neither comes always after the other's clean-up.
    for (int run = 0; run < 8; ++run) {
        for (const bool log : {run % 2 == 0, run % 2 != 0}) {
            std::filesystem::remove_all(work.path("player/small"));
            for (int i = 0; i < 50; ++i)
                work.folder("player/small/" + std::to_string(i));
            const auto started = Clock::now();
            if (log)
                parlowen::carryOutAndLog(plan, files, {}, {"/l", "/r"}, work.path("state/sync.log"));
            else
                parlowen::carryOut(plan, files, {});
            (log ? logged : plain).push_back(millisecondsSince(started));
        }
    }
    // The log's own share: its lines for the same run, without the copying.
    std::vector<double> alone;
    for (int run = 0; run < 8; ++run) {
        const auto started = Clock::now();
        std::string problem;
        auto log = parlowen::RunLog::open(work.path("state/alone.log"), {"/l", "/r"}, plan.size(),
                                          problem);
        for (std::size_t i = 0; i < plan.size(); ++i) {
            log->ended(&plan[i], {plan[i].OpSourcePath, plan[i].OpTargetPath, ""});
            if (i % 256 == 255)
                log->settled();
        }
        log->close(plan, {}, 0);
        alone.push_back(millisecondsSince(started));
    }
    std::printf("the log alone for those 5,000 copies: median %.1f ms\n", median(alone));
    std::printf("5,000 files of 4 KiB: copied in a median %.0f ms without the log, %.0f ms with "
                "it: %+.1f %% (budget 2 %%)\n",
                median(plain), median(logged), (median(logged) / median(plain) - 1) * 100);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TempTree work;
    work.file("pc/song.mp3", "song");
    work.folder("player");
    wizardOpening(work);
    stopInEachPhase(work);
    loggingCost(work);
    return 0;
}
