// Makes two realistic music trees for the benchmarks: artists / albums / tracks plus a cover,
// sparse files of song-like sizes, and a second tree that differs in a few hundred places.
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::vector<std::string> kWords = {
    "Café",  "del",  "Mar",   "Björk",     "Motörhead", "Sigur", "Rós",    "Blue",
    "Night", "Road", "Señor", "Kraftwerk", "Über",      "Alles", "Live",   "at",
    "the",   "Hall", "Zoë",   "Strange",   "Days",      "Århus", "Echoes", "Dawn"};

std::string words(std::mt19937& rng, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += kWords[rng() % kWords.size()];
    }
    return text;
}

bool makeFile(const std::string& path, long long size, long long mtime)
{
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    const bool ok = ::ftruncate(fd, size) == 0 && ::futimens(fd, times) == 0;
    ::close(fd);
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_trees OUTDIR ALBUMS (20 tracks and a cover each)\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const int albums = std::stoi(argv[2]);
    std::mt19937 rng(20261208);
    const std::string left = (out / "player").string();
    const std::string right = (out / "pc").string();
    long long files = 0;
    int differences = 0;
    for (int a = 0; a < albums; ++a) {
        const std::string artist = std::to_string(a / 10) + " " + words(rng, 2);
        const std::string album =
            artist + "/" + std::to_string(1990 + a % 30) + " - " + words(rng, 3);
        std::filesystem::create_directories(left + "/" + album);
        std::filesystem::create_directories(right + "/" + album);
        for (int t = 0; t <= 20; ++t) {
            const std::string name =
                t == 20 ? "cover.jpg"
                        : (t < 9 ? "0" : "") + std::to_string(t + 1) + " " + words(rng, 3) + ".mp3";
            const long long size =
                t == 20 ? 20'000 + rng() % 400'000 : 2'000'000 + rng() % 9'000'000;
            const long long mtime = 1'200'000'000 + rng() % 500'000'000;
            const std::string relative = album + "/" + name;
            // About 1 in 100 files differs: size and time, a deletion, or an addition.
            const unsigned kind = rng() % 400;
            const bool onLeft = kind != 0;
            const bool onRight = kind != 1;
            const long long rightSize = kind == 2 ? size + 1 + rng() % 1000 : size;
            const long long rightTime = kind == 2 || kind == 3 ? mtime + 86'400 : mtime;
            if (kind < 4)
                ++differences;
            if (onLeft && !makeFile(left + "/" + relative, size, mtime))
                return 1;
            if (onRight && !makeFile(right + "/" + relative, rightSize, rightTime))
                return 1;
            files += onLeft + onRight;
        }
    }
    std::printf("%lld files in %s and %s, %d differences\n", files, left.c_str(), right.c_str(),
                differences);
    return 0;
}
