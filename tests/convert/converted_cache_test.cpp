// Converting real FLAC files: what reaches the copy, what is done again and what never stays.
#include "convert/converted_cache.h"
#include "convert/song_tags.h"
#include "fakes/song_files.h"
#include "fakes/temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace parlowen {
namespace {

using testing::TempTree;

double secondsOf(const std::string& path)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    avformat_find_stream_info(format, nullptr);
    const double seconds = double(format->duration) / AV_TIME_BASE;
    avformat_close_input(&format);
    return seconds;
}

std::string tagOf(const std::string& path, const char* field)
{
    const TagLib::FileRef ref(path.c_str(), false);
    const auto values = ref.file()->properties()[field];
    return values.isEmpty() ? std::string() : values.front().to8Bit(true);
}

int partsIn(const std::string& folder)
{
    int parts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        parts += entry.path().string().ends_with(".part");
    return parts;
}

class ConvertedCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!testing::haveFlacTool())
            GTEST_SKIP() << "the flac tool is not installed (scripts/setup.sh installs it)";
        cover = testing::makeJpeg(300, 300);
        ASSERT_TRUE(testing::makeFlac(song, 3.2, 440,
                                      {{"TITLE", "Première"}, {"ARTIST", "Ann"}, {"ALBUM", "Z"}},
                                      cover));
    }

    ConvertRule rule(Preset preset, CoverRule cover = {})
    {
        return {.on = true, .preset = preset, .cover = cover};
    }

    TempTree tree;
    std::string song = tree.path("song.flac");
    std::string cover;
    ConvertedCache cache{tree.folder("cache"), std::int64_t(1) << 30};
};

class EveryPreset : public ConvertedCacheTest, public ::testing::WithParamInterface<Preset>
{
};

TEST_P(EveryPreset, CarriesLengthTagsAndTheCoverBytes)
{
    const auto made = cache.make(song, rule(GetParam()), {});
    ASSERT_EQ(made.failure, "");
    EXPECT_TRUE(made.path.ends_with(presetFacts(GetParam()).extension));
    EXPECT_EQ(std::filesystem::file_size(made.path), std::uintmax_t(made.size));
    EXPECT_NEAR(secondsOf(made.path), 3.2, 0.05);
    EXPECT_EQ(tagOf(made.path, "TITLE"), "Première");
    EXPECT_EQ(tagOf(made.path, "ARTIST"), "Ann");
    const auto tags = readSongTags(made.path);
    ASSERT_TRUE(tags.front);
    EXPECT_EQ(tags.front->bytes, cover);
    EXPECT_EQ(partsIn(tree.path("cache")), 0);
}

INSTANTIATE_TEST_SUITE_P(Presets, EveryPreset,
                         ::testing::Values(Preset::Mp3V2, Preset::Opus128, Preset::VorbisQ5,
                                           Preset::Aac192),
                         [](const auto& info) {
                             std::string name = presetFacts(info.param).name;
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(ConvertedCacheTest, DoesAgainOnlyWhatChanged)
{
    const auto first = cache.make(song, rule(Preset::Mp3V2), {});
    ASSERT_EQ(first.failure, "");
    EXPECT_EQ(cache.make(song, rule(Preset::Mp3V2), {}).path, first.path);
    EXPECT_EQ(cache.encodes(), 1u);

    // A tag edit keeps the audio's checksum: the old encode is given the new tags.
    testing::tagFlac(song, {{"TITLE", "Second"}});
    const auto retagged = cache.make(song, rule(Preset::Mp3V2), {});
    ASSERT_EQ(retagged.failure, "");
    EXPECT_NE(retagged.path, first.path);
    EXPECT_EQ(tagOf(retagged.path, "TITLE"), "Second");
    EXPECT_EQ(cache.encodes(), 1u);
    EXPECT_EQ(cache.retags(), 1u);

    // New audio, and another preset, are encoded.
    ASSERT_TRUE(testing::makeFlac(song, 2.0, 660, {{"TITLE", "Second"}}));
    EXPECT_EQ(cache.make(song, rule(Preset::Mp3V2), {}).failure, "");
    EXPECT_EQ(cache.make(song, rule(Preset::VorbisQ5), {}).failure, "");
    EXPECT_EQ(cache.encodes(), 3u);
    EXPECT_EQ(cache.retags(), 1u);
}

TEST_F(ConvertedCacheTest, LeavesNothingPartial)
{
    std::stop_source stop;
    stop.request_stop();
    const auto stopped = cache.make(song, rule(Preset::Mp3V2), stop.get_token());
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.path, "");

    const std::string broken = tree.file("broken.flac", std::string(5000, 'x'));
    const auto failed = cache.make(broken, rule(Preset::Mp3V2), {});
    EXPECT_NE(failed.failure, "");
    EXPECT_EQ(failed.path, "");

    // A full cache folder fails the write, and its part goes.
    if (::getuid() == 0 && std::system("command -v mount >/dev/null") == 0) {
        const std::string small = tree.folder("small");
        if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + small + "' 2>/dev/null").c_str()) ==
            0) {
            ConvertedCache full(small, 1 << 30);
            const auto tooBig = full.make(song, rule(Preset::Aac192), {});
            EXPECT_NE(tooBig.failure, "");
            EXPECT_EQ(partsIn(small), 0);
            std::system(("umount '" + small + "'").c_str());
        }
    }
    EXPECT_EQ(partsIn(tree.path("cache")), 0);

    // A part whose writer is gone is cleared at the next start; one being written is not.
    tree.file("cache/abc.mp3.999999.part", "x");
    tree.file("cache/def.mp3." + std::to_string(::getpid()) + ".part", "x");
    cache.clearLeftovers();
    EXPECT_FALSE(std::filesystem::exists(tree.path("cache/abc.mp3.999999.part")));
    EXPECT_TRUE(std::filesystem::exists(tree.path("cache/def.mp3." + std::to_string(::getpid()) +
                                                  ".part")));
}

TEST_F(ConvertedCacheTest, ShrinksOrDropsTheCover)
{
    const auto small = cache.make(song, rule(Preset::Mp3V2, *coverNamed("100")), {});
    ASSERT_EQ(small.failure, "");
    const auto tags = readSongTags(small.path);
    ASSERT_TRUE(tags.front);
    EXPECT_LT(tags.front->bytes.size(), cover.size());
    EXPECT_EQ(shrunkCover(*tags.front, 100)->bytes, tags.front->bytes); // already that small

    const auto none = cache.make(song, rule(Preset::Opus128, *coverNamed("drop")), {});
    ASSERT_EQ(none.failure, "");
    EXPECT_FALSE(readSongTags(none.path).front);
}

TEST_F(ConvertedCacheTest, TrimsTheLeastRecentlyUsed)
{
    const auto a = cache.make(song, rule(Preset::Mp3V2), {});
    const auto b = cache.make(song, rule(Preset::VorbisQ5), {});
    ConvertedCache capped(tree.path("cache"), 1);
    capped.trim({b.path});
    EXPECT_FALSE(std::filesystem::exists(a.path));
    EXPECT_TRUE(std::filesystem::exists(b.path));
}

} // namespace
} // namespace parlowen
