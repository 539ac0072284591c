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

Run run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror(argv[0]);
        std::exit(1);
    }
    int status = 0;
    struct rusage usage = {};
    ::wait4(pid, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return {seconds, usage.ru_maxrss};
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

    const std::string format = "%P %s %T@\\n";
    std::vector<double> listing;
    std::vector<double> compare;
    long peakKiB = 0;
    run({tool, left, right}); // warm the cache
    for (int i = 0; i < runs; ++i) {
        const double l = run({"find", left, "-type", "f", "-printf", "%P %s %T@\n"}).seconds;
        const double r = run({"find", right, "-type", "f", "-printf", "%P %s %T@\n"}).seconds;
        listing.push_back(l + r);
        const Run c = run({tool, left, right});
        compare.push_back(c.seconds);
        peakKiB = std::max(peakKiB, c.maxRssKiB);
    }
    const std::string empty = std::filesystem::temp_directory_path() / "parlowen-bench-empty";
    std::filesystem::create_directories(empty);
    const long baseKiB = run({tool, empty, empty}).maxRssKiB;

    const double floor = median(listing);
    const double ours = median(compare);
    const double perFile = (static_cast<double>(peakKiB - baseKiB) * 1024 - nameBytes) / files;
    std::printf("files: %lld (name bytes %lld), runs: %d, warm cache\n", files, nameBytes, runs);
    std::printf("find listing of both trees (floor): median %.3f s\n", floor);
    std::printf("parlowen-compare LEFT RIGHT:        median %.3f s  = %.2f x the floor\n", ours,
                ours / floor);
    std::printf("peak memory: %ld KiB (empty trees %ld KiB), %.0f bytes per file beyond names\n",
                peakKiB, baseKiB, perFile);
    return 0;
}
