// The headless tool parlowen-compare run as a separate program, its output kept in files.
#pragma once

#include "fakes/temp_tree.h"

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace parlowen::testing {

struct CompareTool
{
    TempTree out;
    pid_t pid = -1;

    // Its Sync log goes under out, or under stateHome where one is given.
    explicit CompareTool(std::vector<std::string> args, const std::string& stateHome = {})
    {
        args.insert(args.begin(), PARLOWEN_COMPARE_TOOL);
        const std::string stdoutPath = out.path("stdout");
        const std::string stderrPath = out.path("stderr");
        const std::string state = stateHome.empty() ? out.path("state") : stateHome;
        pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_STATE_HOME", state.c_str(), 1); // its Sync log stays in out
            std::freopen(stdoutPath.c_str(), "w", stdout);
            std::freopen(stderrPath.c_str(), "w", stderr);
            std::vector<char*> argv;
            for (auto& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    // Waits for the end: the exit status, or -1 when it was killed.
    int status()
    {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::string stdoutText() const { return out.read("stdout"); }
    std::string stderrText() const { return out.read("stderr"); }
    std::string logText() const { return out.read("state/parlowen/sync.log"); }
};

} // namespace parlowen::testing
