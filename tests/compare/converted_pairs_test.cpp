// Compare with a player that is given converted copies: which pairs are OK, which are
// converted again and why, and what is never copied back.
#include "compare/comparison.h"
#include "convert/player_rules.h"
#include "platform/player_identity.h"
#include "fakes/temp_tree.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

constexpr std::int64_t kEarly = 1'600'000'000;
constexpr std::int64_t kLate = 1'700'000'000;

ResultRow row(const std::string& name, std::int64_t size, std::int64_t modified,
              std::uint32_t ns = 0)
{
    ResultRow r;
    r.relativeName = name;
    r.size = size;
    r.modified = modified;
    r.modifiedNs = ns;
    r.hasSize = r.hasModified = true;
    return r;
}

MapLine line(const std::string& copy, const std::string& song, std::int64_t songSize,
             std::int64_t songNs, std::int64_t copySize, const ConvertRule& rule)
{
    return {.playerName = copy,
            .sourcePath = song,
            .sourceSize = songSize,
            .sourceModifiedNs = songNs,
            .audioMd5 = {},
            .recipe = recipeOf(rule),
            .copySize = copySize};
}

struct Outcome
{
    std::vector<std::string> actions; // "ACTION TARGET", in plan order
    std::vector<std::string> why;
    RowStatus copyStatus = RowStatus::None;
    std::size_t skipped = 0;
};

Outcome compare(std::vector<ResultRow> left, std::vector<ResultRow> right,
                const std::vector<MapLine>& lines, ConvertRule rule = {.on = true})
{
    testing::TempTree state;
    auto setup = std::make_shared<ConvertSetup>(
        ConvertSetup{rule, state.path("map"), "", CopyMap::load(state.path("map"))});
    for (const auto& l : lines)
        setup->map.put(l);
    ResultStore plan;
    std::vector<std::string> skipped;
    matchRows(left, right, plan, "/p", "/pc", {.converted = setup}, {}, &skipped);
    Outcome out;
    for (const auto& op : plan) {
        out.actions.push_back(op.OpAction + " " + op.OpTargetPath);
        out.why.push_back(op.conversion ? op.conversion->why : "-");
    }
    out.copyStatus = left.empty() ? RowStatus::None : left[0].status;
    out.skipped = skipped.size();
    return out;
}

TEST(ConvertedPairs, TheMapDecidesWhetherACopyIsTheSong)
{
    const ConvertRule mp3{.on = true};
    const ConvertRule vorbis{.on = true, .preset = Preset::VorbisQ5};
    const auto song = row("A/x.flac", 30'000'000, kEarly, 5);
    const auto copy = row("A/x.mp3", 7'000'000, kLate);
    const std::int64_t songNs = kEarly * 1'000'000'000 + 5;
    struct Case
    {
        const char* what;
        std::vector<MapLine> lines;
        RowStatus copyStatus;
        std::string why; // "" for none; "-" for no operation
    };
    const Case cases[] = {
        {"the copy of the song as it is", {line("A/x.mp3", "A/x.flac", 30'000'000, songNs, 7'000'000, mp3)},
         RowStatus::Ok, "-"},
        {"the player's copy since changed",
         {line("A/x.mp3", "A/x.flac", 30'000'000, songNs, 6'000'000, mp3)}, RowStatus::Older,
         "the player's copy is not the one Parlowen made, so it is converted again"},
        {"the song retagged (a nanosecond later)",
         {line("A/x.mp3", "A/x.flac", 30'000'000, songNs - 1, 7'000'000, mp3)}, RowStatus::Older,
         "the song changed since it was converted"},
        {"made another way", {line("A/x.mp3", "A/x.flac", 30'000'000, songNs, 7'000'000, vorbis)},
         RowStatus::Older, "converted again: the way of converting changed"},
        {"no line, the copy newer: never copied over its song", {}, RowStatus::Newer, "-"},
    };
    for (const auto& c : cases) {
        const auto out = compare({copy}, {song}, c.lines, mp3);
        EXPECT_EQ(out.copyStatus, c.copyStatus) << c.what;
        if (c.why == "-") {
            EXPECT_TRUE(out.actions.empty()) << c.what;
        } else {
            ASSERT_EQ(out.actions.size(), 1u) << c.what;
            EXPECT_EQ(out.actions[0], "overwrites as MP3 /p/A/x.mp3") << c.what;
            EXPECT_EQ(out.why[0], c.why) << c.what;
        }
    }
    // Without a line, a song newer than the copy is converted; the same size is no proof.
    const auto newer = compare({row("A/x.mp3", 30'000'000, kEarly)}, {row("A/x.flac", 30'000'000, kLate)}, {});
    EXPECT_EQ(newer.actions, std::vector<std::string>{"overwrites as MP3 /p/A/x.mp3"});
    const auto sameTime = compare({row("A/x.mp3", 30'000'000, kLate)}, {row("A/x.flac", 30'000'000, kLate)}, {});
    EXPECT_TRUE(sameTime.actions.empty());
    EXPECT_NE(sameTime.copyStatus, RowStatus::Ok);
}

TEST(ConvertedPairs, NamesOnThePlayerAndWhatNeverGoesBack)
{
    // A song new to the player goes under its converted name; a real x.mp3 beside x.flac on
    // the PC is the one copied, and x.flac is named in the Skip box.
    auto out = compare({}, {row("x.flac", 9, kLate), row("x.mp3", 5, kLate), row("y.WAV", 9, kLate),
                            row("z.mp3", 5, kLate)},
                       {});
    EXPECT_EQ(out.actions, (std::vector<std::string>{"copied to /p/x.mp3",
                                                     "converted to MP3 /p/y.mp3",
                                                     "copied to /p/z.mp3"}));
    EXPECT_EQ(out.skipped, 1u);

    // A converted copy the map knows is not copied back to the PC, even without its song.
    out = compare({row("gone.mp3", 5, kLate)}, {}, {line("gone.mp3", "gone.flac", 1, 1, 5, {.on = true})});
    EXPECT_TRUE(out.actions.empty());
    EXPECT_EQ(out.skipped, 1u);

    // Another format: the new copy replaces the older one, only where it is still the copy
    // the map recorded.
    const ConvertRule vorbis{.on = true, .preset = Preset::VorbisQ5};
    for (const std::int64_t onPlayer : {5, 6}) {
        testing::TempTree state;
        auto setup = std::make_shared<ConvertSetup>(
            ConvertSetup{vorbis, state.path("map"), "", CopyMap::load(state.path("map"))});
        setup->map.put(line("A/x.mp3", "A/x.flac", 9, kLate * 1'000'000'000, 5, {.on = true}));
        std::vector<ResultRow> left{row("A/x.mp3", onPlayer, kLate)};
        std::vector<ResultRow> right{row("A/x.flac", 9, kLate)};
        ResultStore plan;
        std::vector<std::string> skipped;
        matchRows(left, right, plan, "/p", "/pc", {.converted = setup}, {}, &skipped);
        ASSERT_EQ(plan.size(), 1u);
        EXPECT_EQ(plan[0].OpTargetPath, "/p/A/x.ogg");
        EXPECT_EQ(plan[0].conversion->replacesName, onPlayer == 5 ? "x.mp3" : "");
        EXPECT_EQ(skipped.size(), onPlayer == 5 ? 0u : 1u);
    }

    // With the rule off nothing is converted: x.flac and x.mp3 are two files.
    out = compare({row("x.mp3", 5, kEarly)}, {row("x.flac", 9, kLate)}, {}, {.on = false});
    EXPECT_EQ(out.actions, (std::vector<std::string>{"copied to /pc/x.mp3", "copied to /p/x.flac"}));
}

} // namespace
} // namespace parlowen

namespace parlowen {
namespace {

TEST(DefaultPreset, ComesFromWhatThePlayerPlays)
{
    testing::TempTree udev;
    udev.file("data/b8:17", "S:disk/by-id/usb-Player\n");
    udev.file("data/b8:16", "E:ID_VENDOR=Sony\nE:ID_MEDIA_PLAYER=sony_nw-a\n");
    udev.file("profiles/sony_nw-a.mpi",
              "[Device]\nProduct=Walkman\n[Media]\nOutputFormats=audio/mp4;audio/x-ms-wma\n");
    const auto formats =
        mediaPlayerFormats({"8:17", "8:16"}, udev.path("data"), udev.path("profiles"));
    EXPECT_EQ(formats, (std::vector<std::string>{"audio/mp4", "audio/x-ms-wma"}));
    EXPECT_EQ(presetForFormats(formats), Preset::Aac192);
    EXPECT_EQ(presetForFormats({"audio/ogg", "audio/mpeg"}), Preset::Mp3V2);
    EXPECT_EQ(presetForFormats({"audio/flac", "audio/ogg"}), Preset::VorbisQ5);
    EXPECT_EQ(presetForFormats({}), Preset::Mp3V2);
    EXPECT_TRUE(mediaPlayerFormats({"8:17"}, udev.path("data"), udev.path("profiles")).empty());
}

} // namespace
} // namespace parlowen
