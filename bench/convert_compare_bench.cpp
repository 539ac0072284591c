// Compare with a copy map beside Compare without one, on the same trees: the PC holds 50,000
// FLACs and 50,000 MP3s, the player an MP3 for each, and the map a line for each converted
// copy (all of them OK); then with 500 playlists of 100 entries written for the player too.
// Warm runs alternating, medians.
// Usage: convert_compare_bench FOLDER [RUNS]
#include "compare/comparison.h"
#include "compare/converted_pairs.h"
#include "convert/player_rules.h"
#include "platform/player_identity.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

using namespace parlowen;
namespace fs = std::filesystem;

namespace {

std::int64_t nanoseconds(const std::string& path)
{
    struct stat info{};
    ::stat(path.c_str(), &info);
    return std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

void makeTrees(const std::string& root, CopyMap& map, const ConvertRule& rule)
{
    for (int album = 0; album < 2000; ++album) {
        const std::string folder = "Artist " + std::to_string(album / 20) + "/Album " +
                                   std::to_string(album);
        fs::create_directories(root + "/pc/" + folder);
        fs::create_directories(root + "/player/" + folder);
        for (int track = 0; track < 50; ++track) {
            const std::string name = folder + "/" + std::to_string(track) + " Song number " +
                                     std::to_string(track) + " of the album";
            const bool lossless = track % 2 == 0;
            const std::string song = name + (lossless ? ".flac" : ".mp3");
            std::ofstream(root + "/pc/" + song) << std::string(lossless ? 300 : 70, 's');
            std::ofstream(root + "/player/" + name + ".mp3") << std::string(70, 'c');
            if (lossless)
                map.put({.playerName = name + ".mp3",
                         .sourcePath = song,
                         .sourceSize = 300,
                         .sourceModifiedNs = nanoseconds(root + "/pc/" + song),
                         .audioMd5 = {},
                         .recipe = recipeOf(rule),
                         .copySize = 70});
        }
    }
}

// 500 playlists of 100 entries, relative to their folder, some absolute and from Windows.
void makePlaylists(const std::string& root)
{
    fs::create_directories(root + "/pc/Lists");
    for (int list = 0; list < 500; ++list) {
        std::ofstream out(root + "/pc/Lists/list " + std::to_string(list) + ".m3u8");
        out << "#EXTM3U\n";
        for (int entry = 0; entry < 100; ++entry) {
            const int album = (list * 7 + entry * 13) % 2000;
            const int track = (list + entry) % 50;
            const std::string name = "Artist " + std::to_string(album / 20) + "/Album " +
                                     std::to_string(album) + "/" + std::to_string(track) +
                                     " Song number " + std::to_string(track) + " of the album" +
                                     (track % 2 == 0 ? ".flac" : ".mp3");
            out << (entry % 10 == 0 ? "C:\\Music\\" + name : "../" + name) << "\n";
        }
    }
}

double secondsOf(const std::string& root, bool withMap, std::size_t& ok, bool playlists = false)
{
    const auto start = std::chrono::steady_clock::now();
    const ConvertRule rule{.on = true, .playlists = playlists};
    const auto c = compareFolders(root + "/player", root + "/pc", {}, nullptr, nullptr,
                                  [&]() -> std::shared_ptr<const ConvertSetup> {
                                      return withMap ? convertSetupFor(root + "/player", rule)
                                                     : nullptr;
                                  });
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    ok = std::count_if(c.left.begin(), c.left.end(),
                       [](const ResultRow& r) { return r.status == RowStatus::Ok; });
    return took.count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: convert_compare_bench FOLDER [RUNS]\n");
        return 2;
    }
    const std::string root = fs::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    ::setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    if (!fs::exists(root + "/pc")) {
        fs::create_directories(root + "/player");
        const ConvertRule rule{.on = true};
        const std::string mapPath = copyMapPath(playerIdentity(root + "/player").id);
        CopyMap map = CopyMap::load(mapPath);
        makeTrees(root, map, rule);
        map.save();
    }
    std::vector<double> without, with, lists;
    std::size_t okWithout = 0, okWith = 0, okLists = 0;
    secondsOf(root, false, okWithout); // warms the caches
    for (int i = 0; i < runs; ++i) {
        without.push_back(secondsOf(root, false, okWithout));
        with.push_back(secondsOf(root, true, okWith));
    }
    // The playlists are added only now, so the first two measure the songs alone.
    if (!fs::exists(root + "/pc/Lists"))
        makePlaylists(root);
    std::vector<double> songsOnly;
    for (int i = 0; i < runs; ++i) {
        songsOnly.push_back(secondsOf(root, true, okWith));
        lists.push_back(secondsOf(root, true, okLists, true));
    }
    std::printf("Compare of 2 x 100,000 files without a map: median %.3f s (%zu rows OK)\n",
                median(without), okWithout);
    std::printf("with the rule and a map of 50,000 lines:    median %.3f s (%zu rows OK) = %.2f x\n",
                median(with), okWith, median(with) / median(without));
    std::printf("with 500 playlists of 100 entries written too: median %.3f s beside %.3f s = "
                "%.2f x\n",
                median(lists), median(songsOnly), median(lists) / median(songsOnly));
    return 0;
}
