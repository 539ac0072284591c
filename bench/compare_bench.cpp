// Times parlowen-compare on two trees beside the system's own listing of them (find), in the
// same run, and reports its peak memory per file beyond the names themselves.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Run
{
    double seconds;
    long maxRssKiB;
};

// Starts every command at once and waits for all of them; the time until the last has ended
// and the largest peak memory among them.
Run run(const std::vector<std::vector<std::string>>& commands)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    std::vector<pid_t> pids;
    for (const auto& args : commands) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            std::perror(argv[0]);
            std::exit(1);
        }
        pids.push_back(pid);
    }
    long maxRss = 0;
    for (const pid_t pid : pids) {
        int status = 0;
        struct rusage usage = {};
        ::wait4(pid, &status, 0, &usage);
        maxRss = std::max(maxRss, usage.ru_maxrss);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return {seconds, maxRss};
}

// Empties the page, dentry and inode caches, so the next run reads from the disk.
bool dropCaches()
{
    ::sync();
    FILE* drop = std::fopen("/proc/sys/vm/drop_caches", "w");
    if (!drop)
        return false;
    const bool written = std::fputs("3\n", drop) >= 0;
    return std::fclose(drop) == 0 && written;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: compare_bench TOOL LEFT RIGHT [RUNS]\n");
        return 2;
    }
    const std::string tool = argv[1];
    const std::string left = argv[2];
    const std::string right = argv[3];
    const int runs = argc > 4 ? std::stoi(argv[4]) : 7;

    long long files = 0;
    long long nameBytes = 0;
    for (const auto& root : {left, right}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file()) {
                ++files;
                nameBytes +=
                    static_cast<long long>(entry.path().lexically_relative(root).string().size());
            }
        }
    }

    const std::vector<std::string> findLeft = {"find", left, "-type", "f", "-printf", "%P %s %T@\n"};
    const std::vector<std::string> findRight = {"find", right, "-type", "f", "-printf",
                                                "%P %s %T@\n"};
    const std::vector<std::string> compareBoth = {tool, left, right};
    std::vector<double> listing;
    std::vector<double> compare;
    long peakKiB = 0;
    run({compareBoth}); // warm the cache
    for (int i = 0; i < runs; ++i) {
        listing.push_back(run({findLeft, findRight}).seconds);
        const Run c = run({compareBoth});
        compare.push_back(c.seconds);
        peakKiB = std::max(peakKiB, c.maxRssKiB);
    }
    const std::string empty = std::filesystem::temp_directory_path() / "parlowen-bench-empty";
    std::filesystem::create_directories(empty);
    const long baseKiB = run({{tool, empty, empty}}).maxRssKiB;

    const double floor = median(listing);
    const double ours = median(compare);
    const double perFile = (static_cast<double>(peakKiB - baseKiB) * 1024 - nameBytes) / files;
    std::printf("files: %lld (name bytes %lld), runs: %d\n", files, nameBytes, runs);
    std::printf("warm cache: two find listings at the same time (floor): median %.3f s\n", floor);
    std::printf("warm cache: parlowen-compare LEFT RIGHT:               median %.3f s = %.2f x "
                "the floor\n",
                ours, ours / floor);
    std::printf("peak memory: %ld KiB (empty trees %ld KiB), %.0f bytes per file beyond names\n",
                peakKiB, baseKiB, perFile);

    if (!dropCaches()) {
        std::printf("cold cache: not measured (dropping the caches needs root)\n");
        return 0;
    }
    std::vector<double> coldListing;
    std::vector<double> coldCompare;
    for (int i = 0; i < std::min(runs, 5); ++i) {
        dropCaches();
        coldListing.push_back(run({findLeft, findRight}).seconds);
        dropCaches();
        coldCompare.push_back(run({compareBoth}).seconds);
    }
    const double coldFloor = median(coldListing);
    const double coldOurs = median(coldCompare);
    std::printf("cold cache (caches dropped before each run): two finds at once (floor): median "
                "%.3f s\n",
                coldFloor);
    std::printf("cold cache: parlowen-compare LEFT RIGHT: median %.3f s = %.2f x the floor\n",
                coldOurs, coldOurs / coldFloor);
    return 0;
}
