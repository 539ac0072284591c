// A small real file system mounted for one test (a tmpfs, or an exFAT image through FUSE on a
// loop device), always unmounted when the test ends; where mounting is refused, the reason.
#pragma once

#include "fakes/temp_tree.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>

// Skips a GoogleTest test, with the reason, where the mount was refused.
#define SKIP_UNLESS_MOUNTED(mount)                                                                 \
    if (!(mount).refused().empty())                                                                \
    GTEST_SKIP() << (mount).refused()

namespace parlowen::testing {

class ScratchMount
{
public:
    enum Kind
    {
        Tmpfs, // a tmpfs of the given size, e.g. "4m"
        Exfat  // an exFAT image of that size through exfat-fuse, as a player on a desktop
    };

    // An exFAT image gets clusters of clusterSize (as "128K") where one is given.
    ScratchMount(Kind kind, const std::string& size, const std::string& clusterSize = "")
    {
        if (::geteuid() != 0) {
            m_refused = "mounting needs root";
            return;
        }
        if (kind == Tmpfs)
            mountTmpfs(size);
        else
            mountExfat(size, clusterSize);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    ~ScratchMount()
    {
        ::system(undoCommand().c_str());
        if (m_guard >= 0) {
            // Undone here: the guardian must not touch a loop device another test has since.
            (void)::write(m_guard, "x", 1);
            ::close(m_guard);
        }
    }

    // Why the mount could not be made, or "" when it is there.
    const std::string& refused() const { return m_refused; }
    const std::string& root() const { return m_root; }
    std::string path(const std::string& relative) const { return m_root + "/" + relative; }
    bool remountReadOnly() const { return run("mount -o remount,ro " + quoted(m_root)); }
    // Detaches the file system and leaves its empty mount point, as a player taken away from a
    // fixed mount point does; it goes once nothing holds it open.
    bool unmountLazily() const { return run("umount -l " + quoted(m_root)); }
    // The FUSE daemon that serves an exFAT mount, or -1: stopping it makes the device hang
    // as a slow or stuck USB player does.
    pid_t daemonPid() const
    {
        const std::string pid = output("pgrep -f 'mount.exfat-fuse " + m_loop + " '");
        return m_loop.empty() || pid.empty() ? -1 : static_cast<pid_t>(std::stol(pid));
    }

private:
    void mountTmpfs(const std::string& size)
    {
        const std::string root = m_place.folder("root");
        if (!run("mount -t tmpfs -o size=" + size + " tmpfs " + quoted(root)))
            m_refused = "the tmpfs mount was refused";
        else
            m_root = root;
        guard();
    }

    void mountExfat(const std::string& size, const std::string& clusterSize)
    {
        const std::string root = m_place.folder("root");
        const std::string image = m_place.path("player.img");
        if (!run("command -v mkfs.exfat && command -v mount.exfat-fuse && command -v losetup"))
            m_refused = "exfatprogs, exfat-fuse or losetup is not installed";
        else if (!run("truncate -s " + size + " " + quoted(image) + " && mkfs.exfat " +
                      (clusterSize.empty() ? "" : "-c " + clusterSize + " ") + quoted(image)))
            m_refused = "mkfs.exfat failed";
        else if ((m_loop = output("losetup -f --show " + quoted(image))).empty())
            m_refused = "no loop device could be attached";
        else if (!run("mount.exfat-fuse " + m_loop + " " + quoted(root)))
            m_refused = "the exFAT mount through FUSE was refused";
        else
            m_root = root;
        if (!m_loop.empty())
            guard();
    }

    // Resumes a stopped FUSE daemon, unmounts (lazily if busy) and detaches the loop device.
    std::string undoCommand() const
    {
        std::string undo;
        if (!m_loop.empty())
            undo += "pkill -CONT -f " + quoted("mount.exfat-fuse " + m_loop + " ") + "; ";
        if (!m_root.empty())
            undo += "umount " + quoted(m_root) + " || umount -l " + quoted(m_root) + "; ";
        if (!m_loop.empty())
            undo += "losetup -d " + m_loop + "; ";
        return "{ " + undo + "true; } >/dev/null 2>&1";
    }

    // A test that crashes runs no destructor: a child process waits for this one to end, and
    // undoes the mount unless the destructor said it had.
    void guard()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return;
        const std::string undo = undoCommand() + "; rm -rf " + quoted(m_place.root());
        if (::fork() == 0) {
            ::close(ends[1]);
            ::setsid();
            char byte;
            if (::read(ends[0], &byte, 1) == 0) // the end of the test process, not a word
                ::execl("/bin/sh", "sh", "-c", undo.c_str(), static_cast<char*>(nullptr));
            ::_exit(0);
        }
        ::close(ends[0]);
        m_guard = ends[1];
    }

    static std::string quoted(const std::string& path) { return "'" + path + "'"; }
    static bool run(const std::string& command)
    {
        return std::system(("{ " + command + "; } >/dev/null 2>&1").c_str()) == 0;
    }
    static std::string output(const std::string& command)
    {
        std::string text;
        if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
            char buffer[256];
            while (std::fgets(buffer, sizeof buffer, pipe))
                text += buffer;
            ::pclose(pipe);
        }
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text;
    }

    TempTree m_place; // holds the mount point and the image; removed after the unmount
    std::string m_root;
    std::string m_loop;
    std::string m_refused;
    int m_guard = -1; // the guardian's pipe: closed when this process ends, however it ends
};

} // namespace parlowen::testing
