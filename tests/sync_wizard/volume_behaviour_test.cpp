// What a run promises, shown once and checked on every kind of player: a folder of a drive,
// an exFAT player image where a mount is allowed, and in-memory players that speak MTP (one
// that renames and one that cannot, both giving objects at the storage's top parent 0 and
// refusing to list a folder just made, as real ones do). The player's own folder is compared
// at its top, so the overwrite lies directly in it.
#include "compare/comparison.h"
#include "compare/converted_pairs.h"
#include "fakes/song_files.h"
#include "fakes/memory_mtp_device.h"
#include "fakes/scratch_mount.h"
#include "fakes/temp_tree.h"
#include "platform/posix_file_ops.h"
#include "platform/upload_journal.h"
#include "sync_wizard/executor.h"
#include "sync_wizard/player_names.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace parlowen {
namespace {

using testing::ScratchMount;
using testing::TempTree;

constexpr std::int64_t kOld = 1'500'000'000;
constexpr std::int64_t kNew = 1'600'000'000;
const char* const kFolder = "(folder)";

std::string nameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// A player that mounts as a drive: a folder of this machine's disk, or of a device mounted
// for the test.
class DrivePlayer
{
public:
    DrivePlayer() = default;
    explicit DrivePlayer(std::unique_ptr<ScratchMount> mount) : m_mount(std::move(mount))
    {
        if (refused().empty())
            m_tree.emplace(m_mount->root());
    }

    std::string refused() const { return m_mount ? m_mount->refused() : ""; }
    std::string root() const { return m_tree->root(); }
    MtpDevices* devices() { return nullptr; }
    void put(const std::string& path, const std::string& bytes, std::int64_t modified)
    {
        m_tree->file(path, bytes, modified);
    }
    void remove(const std::string& path) { std::filesystem::remove(m_tree->path(path)); }
    // Every file and folder by its relative name, hidden ones too.
    std::map<std::string, std::string> entries() const
    {
        std::map<std::string, std::string> all;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root())) {
            const std::string name = entry.path().lexically_relative(root()).string();
            all[name] = entry.is_directory() ? kFolder : m_tree->read(name);
        }
        return all;
    }
    // What a run killed mid-copy leaves: its temporary beside the target.
    void leaveUnfinishedCopy(const std::string& path, const std::string& bytes)
    {
        const std::string folder = folderOf("/" + path).substr(1);
        m_tree->file(folder + temporaryNameFor(nameOf(path)), bytes, kOld);
    }
    std::size_t unfinishedRecords() const { return 0; }

private:
    std::unique_ptr<ScratchMount> m_mount;
    std::optional<TempTree> m_tree = m_mount ? std::nullopt : std::make_optional<TempTree>();
};

class ExfatPlayer : public DrivePlayer
{
public:
    ExfatPlayer() : DrivePlayer(std::make_unique<ScratchMount>(ScratchMount::Exfat, "256m")) {}
};

// A player that speaks MTP, in memory.
template <bool Renames> class MemoryPlayer
{
public:
    MemoryPlayer()
    {
        m_attached.journalPath = m_state.path("uploads");
        m_attached.attach(m_device);
        m_device->quirks.noRename = !Renames;
        m_device->quirks.newFoldersUnlistable = true;
    }

    std::string refused() const { return {}; }
    std::string root() const { return "mtp://Parlowen_Fake_Player_1/Internal storage"; }
    MtpDevices* devices() { return &m_attached; }
    void put(const std::string& path, const std::string& bytes, std::int64_t modified)
    {
        m_device->dropPath(path);
        m_device->add(path, bytes, modified);
    }
    void remove(const std::string& path) { m_device->dropPath(path); }
    std::map<std::string, std::string> entries() const
    {
        std::map<std::string, std::string> all;
        for (const auto& [path, size] : m_device->listing())
            all[path] = size < 0 ? kFolder : m_device->bytesOf(path);
        return all;
    }
    // What a run killed mid-upload leaves: part of the file, and its record.
    void leaveUnfinishedCopy(const std::string& path, const std::string& bytes)
    {
        const std::string folder = folderOf("/" + path).substr(1);
        const std::string sentAs = Renames ? temporaryNameFor(nameOf(path)) : nameOf(path);
        m_device->add(folder + sentAs, bytes, kOld);
        UploadJournal(m_attached.journalPath)
            .add({m_device->host(), root() + "/" + folder, sentAs,
                  static_cast<std::int64_t>(bytes.size()) + 100, nameOf(path)});
    }
    std::size_t unfinishedRecords() const
    {
        return UploadJournal(m_attached.journalPath).entriesFor(m_device->host()).size();
    }

private:
    std::shared_ptr<MemoryMtpDevice> m_device = std::make_shared<MemoryMtpDevice>();
    MemoryMtpDevices m_attached;
    TempTree m_state;
};

template <class Player> class VolumeBehaviour : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!player.refused().empty())
            GTEST_SKIP() << player.refused();
        player.put("top.mp3", "old", kOld);
        player.put("keep.mp3", "keep", kOld);
        pc.file("top.mp3", "newer and longer", kNew);
        pc.file("keep.mp3", "keep", kOld);
        pc.file("A/B/new.mp3", std::string(300'000, 'n'), kNew);
    }

    Comparison compare()
    {
        return compareFolders(player.root(), pc.root(), {}, nullptr, player.devices());
    }

    CarryOutResult sync(const Comparison& c, CarryOutControl control = {})
    {
        control.roots = comparedRoots(player.root(), pc.root(), {}, {});
        control.devices = player.devices();
        return carryOut(c.plan, files, control);
    }

    // What the player held before the run, with these changes.
    std::map<std::string, std::string>
    heldBefore(const std::map<std::string, std::string>& changes = {}) const
    {
        std::map<std::string, std::string> expected = {{"top.mp3", "old"}, {"keep.mp3", "keep"}};
        for (const auto& [path, bytes] : changes)
            expected[path] = bytes;
        return expected;
    }

    Player player;
    TempTree pc;
    PosixFileOps files;
};

using Players = ::testing::Types<DrivePlayer, ExfatPlayer, MemoryPlayer<true>, MemoryPlayer<false>>;

class PlayerNames
{
public:
    template <class T> static std::string GetName(int)
    {
        if (std::is_same_v<T, DrivePlayer>)
            return "Drive";
        if (std::is_same_v<T, ExfatPlayer>)
            return "Exfat";
        if (std::is_same_v<T, MemoryPlayer<true>>)
            return "MtpThatRenames";
        return "MtpThatCannotRename";
    }
};

TYPED_TEST_SUITE(VolumeBehaviour, Players, PlayerNames);

TYPED_TEST(VolumeBehaviour, CopiesAndOverwritesLandWholeAndNothingElseIsLeft)
{
    const auto run = this->sync(this->compare(), {.createFolders = true});
    ASSERT_TRUE(run.failures.empty()) << failureReport(run.failures);
    EXPECT_EQ(this->player.entries(),
              this->heldBefore({{"top.mp3", "newer and longer"},
                                {"A", kFolder},
                                {"A/B", kFolder},
                                {"A/B/new.mp3", std::string(300'000, 'n')}}));
    EXPECT_EQ(this->player.unfinishedRecords(), 0u);
    EXPECT_TRUE(this->compare().plan.empty());
}

TYPED_TEST(VolumeBehaviour, FoldersAreMadeOnlyWhenAsked)
{
    const auto run = this->sync(this->compare());
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_NE(run.failures[0].reason.find("does not exist"), std::string::npos)
        << run.failures[0].reason;
    EXPECT_EQ(this->player.entries(), this->heldBefore({{"top.mp3", "newer and longer"}}));
}

// A folder made for one copy holds the folder made for the next: the player is not asked to
// list the folder it has just made.
TYPED_TEST(VolumeBehaviour, AFolderMadeForOneCopyHoldsTheNextOnesFolder)
{
    this->pc.file("A/first.mp3", "first", kNew);
    const auto run = this->sync(this->compare(), {.createFolders = true});
    ASSERT_TRUE(run.failures.empty()) << failureReport(run.failures);
    const auto held = this->player.entries();
    EXPECT_EQ(held.at("A/first.mp3"), "first");
    EXPECT_EQ(held.at("A/B/new.mp3"), std::string(300'000, 'n'));
}

TYPED_TEST(VolumeBehaviour, WhatChangedSinceCompareIsLeftAsItIs)
{
    const auto c = this->compare();
    this->player.put("top.mp3", "theirs now", kNew + 5);
    this->player.put("A/B/new.mp3", "theirs", kNew + 5);
    const auto run = this->sync(c, {.createFolders = true});
    ASSERT_EQ(run.failures.size(), 2u) << failureReport(run.failures);
    EXPECT_EQ(this->player.entries(), this->heldBefore({{"top.mp3", "theirs now"},
                                                        {"A", kFolder},
                                                        {"A/B", kFolder},
                                                        {"A/B/new.mp3", "theirs"}}));
}

TYPED_TEST(VolumeBehaviour, ASourceRewrittenDuringItsCopyIsNeverPlaced)
{
    const std::string before(6 << 20, '1');
    this->pc.file("top.mp3", before, kNew);
    const auto c = this->compare();
    bool rewritten = false;
    const auto run = this->sync(c, {.progress = [&](const CopyProgress& p) {
                                        if (rewritten || p.bytesDone == 0)
                                            return;
                                        rewritten = true;
                                        // In place, the same size: only its times tell.
                                        const int fd = ::open(this->pc.path("top.mp3").c_str(), O_WRONLY);
                                        const std::string after(before.size(), '2');
                                        ASSERT_EQ(::pwrite(fd, after.data(), after.size(), 0),
                                                  static_cast<ssize_t>(after.size()));
                                        ::close(fd);
                                    },
                                    .createFolders = true});
    ASSERT_TRUE(rewritten);
    ASSERT_EQ(run.failures.size(), 1u) << failureReport(run.failures);
    EXPECT_EQ(run.failures[0].reason, "the source changed while it was copied");
    auto held = this->player.entries();
    // The old file stays, except where a player that cannot rename had to remove it first.
    if (!held.contains("top.mp3"))
        held["top.mp3"] = "old";
    EXPECT_EQ(held, this->heldBefore({{"A", kFolder},
                                      {"A/B", kFolder},
                                      {"A/B/new.mp3", std::string(300'000, 'n')}}));
    EXPECT_EQ(this->player.unfinishedRecords(), 0u);
}

TYPED_TEST(VolumeBehaviour, AStopMidCopyLeavesNothingPartial)
{
    this->pc.file("top.mp3", std::string(70 << 20, 'b'), kNew);
    std::stop_source stop;
    const auto run = this->sync(this->compare(), {.progress =
                                                      [&stop](const CopyProgress& p) {
                                                          if (p.bytesDone > (1 << 20))
                                                              stop.request_stop();
                                                      },
                                                  .stop = stop.get_token(),
                                                  .createFolders = true});
    EXPECT_TRUE(run.stopped);
    EXPECT_TRUE(run.failures.empty()) << failureReport(run.failures);
    EXPECT_EQ(this->player.entries(), this->heldBefore());
    EXPECT_EQ(this->player.unfinishedRecords(), 0u);
}

TYPED_TEST(VolumeBehaviour, WhatAKilledRunLeftIsClearedByTheNext)
{
    this->player.leaveUnfinishedCopy("keep2.mp3", "par");
    const auto run = this->sync(this->compare(), {.createFolders = true});
    ASSERT_TRUE(run.failures.empty()) << failureReport(run.failures);
    const auto held = this->player.entries();
    EXPECT_FALSE(held.contains("keep2.mp3"));
    for (const auto& [path, bytes] : held)
        EXPECT_FALSE(nameOf(path).starts_with(".")) << path;
    EXPECT_EQ(this->player.unfinishedRecords(), 0u);
}

} // namespace
} // namespace parlowen

namespace parlowen {
namespace {

// A song converted on its way, known as its copy next time, and its copy in an older format
// replaced once the new one is in place.
TYPED_TEST(VolumeBehaviour, AConvertedCopyIsMadeOnceAndReplacesItsOlderFormat)
{
    if (!testing::haveFlacTool())
        GTEST_SKIP() << "the flac tool is not installed (scripts/setup.sh installs it)";
    TempTree home;
    ::setenv("XDG_STATE_HOME", home.path("state").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", home.path("cache").c_str(), 1);
    // At the top: a folder just made cannot be listed on the in-memory players.
    ASSERT_TRUE(testing::makeFlac(this->pc.path("song.flac"), 1.0, 440, {{"TITLE", "Été"}}));
    const auto convertedTo = [&](Preset preset) {
        const ConvertRule rule{.on = true, .preset = preset};
        return [this, rule] {
            return compareFolders(this->player.root(), this->pc.root(), {}, nullptr,
                                  this->player.devices(),
                                  [&] { return convertSetupFor(this->player.root(), rule); });
        };
    };
    for (const Preset preset : {Preset::Mp3V2, Preset::VorbisQ5}) {
        const auto compare = convertedTo(preset);
        const auto run = this->sync(compare(), {.createFolders = true});
        ASSERT_TRUE(run.failures.empty()) << failureReport(run.failures);
        const auto again = compare();
        for (const auto& op : again.plan)
            ADD_FAILURE() << presetFacts(preset).name << ": planned again " << op.OpAction << " "
                          << op.OpTargetPath << (op.conversion ? " " + op.conversion->why : "");
    }
    const auto held = this->player.entries();
    EXPECT_TRUE(held.contains("song.ogg"));
    EXPECT_FALSE(held.contains("song.mp3"));
    EXPECT_FALSE(held.contains("song.flac"));
    ::unsetenv("XDG_STATE_HOME");
    ::unsetenv("XDG_CACHE_HOME");
}

} // namespace
} // namespace parlowen
