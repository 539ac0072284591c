// The folder scan on real temporary trees.
#include "compare/folder_scan.h"

#include "compare/file_size.h"
#include "fakes/recording_messages.h"
#include "fakes/temp_tree.h"

#include <algorithm>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace parlowen {
namespace {

using testing::RecordingMessages;
using testing::TempTree;

std::vector<std::string> names(const std::vector<ResultRow>& rows)
{
    std::vector<std::string> result;
    for (const auto& row : rows)
        result.push_back(row.relativeName);
    return result;
}

// The scan, with each "Skip" sentence shown as the headless tool shows it.
Main::ScanOutcome scan(const std::string& root, RecordingMessages& messages)
{
    auto outcome = Main::ScanFolderTree(root);
    for (const auto& sentence : outcome.skipped)
        messages.show("Skip", sentence);
    return outcome;
}

TEST(ScanRoots, TrailingSlashIsDroppedButTheRootStays)
{
    EXPECT_EQ(Main::rootOf("/music/"), "/music");
    EXPECT_EQ(Main::rootOf("/music"), "/music");
    EXPECT_EQ(Main::rootOf("/"), "/");
    EXPECT_EQ(Main::fullPath("/", "a.mp3"), "/a.mp3");
    EXPECT_EQ(Main::fullPath("/music", "Album/a.mp3"), "/music/Album/a.mp3");
    EXPECT_EQ(Main::rootFolderText("/"), "/");
    EXPECT_EQ(Main::rootFolderText("/music"), "/music/");
}

TEST(FolderScan, WalksRootThenEachSubtreeInPreOrder)
{
    TempTree tree;
    tree.file("r.mp3", "r");
    tree.file("A/a.mp3", "a");
    tree.file("A/A1/a1.mp3", "a1");
    tree.file("B/b.mp3", "b");
    tree.folder("C/Empty");
    RecordingMessages messages;
    const auto rows = names(scan(tree.root(), messages).rows);
    // Sibling order is the file system's; each subtree stays together after its folder.
    const std::vector<std::string> aFirst = {"r.mp3", "A/a.mp3", "A/A1/a1.mp3", "B/b.mp3"};
    const std::vector<std::string> bFirst = {"r.mp3", "B/b.mp3", "A/a.mp3", "A/A1/a1.mp3"};
    EXPECT_TRUE(rows == aFirst || rows == bFirst) << ::testing::PrintToString(rows);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(FolderScan, AStopRequestAbandonsTheScan)
{
    TempTree tree;
    tree.file("A/a.mp3");
    std::stop_source stop;
    stop.request_stop();
    const auto abandoned = Main::ScanFolderTree(tree.root(), stop.get_token());
    EXPECT_TRUE(abandoned.abandoned);
    EXPECT_TRUE(abandoned.rows.empty());
}

TEST(FolderScan, RowsCarrySizeTimeAndACheckMark)
{
    TempTree tree;
    tree.file("Album/Track 01.mp3", std::string(512, 'x'), 1'600'000'000);
    tree.file("empty.txt");
    RecordingMessages messages;
    const auto rows = scan(tree.root() + "/", messages).rows;
    ASSERT_EQ(rows.size(), 2u);
    const auto& track = rows[0].relativeName == "empty.txt" ? rows[1] : rows[0];
    const auto& empty = rows[0].relativeName == "empty.txt" ? rows[0] : rows[1];
    EXPECT_EQ(track.relativeName, "Album/Track 01.mp3");
    EXPECT_EQ(sizeText(track), "512 bytes");
    EXPECT_EQ(track.modified, 1'600'000'000);
    EXPECT_TRUE(track.checked);
    EXPECT_EQ(track.status, RowStatus::None);
    EXPECT_EQ(track.icon, RowIcon::None);
    EXPECT_EQ(sizeText(empty), "0 bytes");
}

TEST(FolderScan, LeavesOutHiddenFilesAndFolders)
{
    TempTree tree;
    tree.file("shown.mp3");
    tree.file(".hidden.mp3");
    tree.file(".Trash/inside.mp3");
    tree.file("Album/.cover.jpg");
    RecordingMessages messages;
    EXPECT_EQ(names(scan(tree.root(), messages).rows), std::vector<std::string>{"shown.mp3"});
}

TEST(FolderScan, SkipsNamesThatAreNotUtf8WithAMessage)
{
    TempTree tree;
    tree.file("good.mp3");
    tree.file("bad\xff.mp3");
    tree.file("Bad\xfe/inside.mp3");
    RecordingMessages messages;
    EXPECT_EQ(names(scan(tree.root(), messages).rows), std::vector<std::string>{"good.mp3"});
    ASSERT_EQ(messages.shown.size(), 2u);
    for (const auto& shown : messages.shown) {
        EXPECT_EQ(shown.title, "Skip");
        EXPECT_NE(shown.text.find(tree.root() + "/"), std::string::npos);
        EXPECT_NE(shown.text.find("\xEF\xBF\xBD"), std::string::npos); // U+FFFD for the bad byte
        EXPECT_NE(shown.text.find(" has been skipped because it is unrecognizeable. This is "
                                  "probably because it contains strange characters. Please "
                                  "rename the file or folder if you would like it included next "
                                  "time you find dupes."),
                  std::string::npos);
    }
}

TEST(FolderScan, LinkLoopsEndAndLinkedFilesAreListed)
{
    TempTree tree;
    tree.file("A/a.mp3");
    tree.file("elsewhere/e.mp3");
    ASSERT_EQ(::symlink(tree.root().c_str(), tree.path("A/loop").c_str()), 0);
    ASSERT_EQ(::symlink(tree.path("A").c_str(), tree.path("A/self").c_str()), 0);
    ASSERT_EQ(::symlink(tree.path("elsewhere/e.mp3").c_str(), tree.path("link.mp3").c_str()), 0);
    ASSERT_EQ(::symlink(tree.path("gone").c_str(), tree.path("dangling.mp3").c_str()), 0);
    RecordingMessages messages;
    auto rows = names(scan(tree.root(), messages).rows);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"A/a.mp3", "elsewhere/e.mp3", "link.mp3"}));
}

TEST(FolderScan, NeverOpensAFifo)
{
    TempTree tree;
    tree.file("song.mp3");
    ASSERT_EQ(::mkfifo(tree.path("pipe").c_str(), 0644), 0);
    tree.folder("Album");
    ASSERT_EQ(::mkfifo(tree.path("Album/pipe.mp3").c_str(), 0644), 0);
    RecordingMessages messages;
    // A FIFO opened for reading would block until a writer comes: this would hang.
    EXPECT_EQ(names(scan(tree.root(), messages).rows), std::vector<std::string>{"song.mp3"});
    const auto probe = FileSize::FileSizeOf(tree.path("pipe"));
    EXPECT_FALSE(probe.ok());
}

TEST(FolderScan, ListsAFolderOf40000FilesWhole)
{
    TempTree tree;
    const std::string folder = tree.folder("Big");
    for (int i = 0; i < 40'000; ++i) {
        const std::string path = folder + "/f" + std::to_string(i);
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    RecordingMessages messages;
    EXPECT_EQ(scan(tree.root(), messages).rows.size(), 40'000u);
}

TEST(FolderScan, EmptyBoxTextAndEmptyFolderGiveNoRows)
{
    TempTree tree;
    RecordingMessages messages;
    EXPECT_TRUE(Main::ScanFolderTree("").rows.empty());
    EXPECT_TRUE(scan(tree.root(), messages).rows.empty());
}

// Run as a user without root's override: which listed files have a size, as "name:0/1" lines,
// then each "Skip" sentence on a line of its own, what could not be read, and why the two
// folders could not be compared as roots.
std::string sizesSeenBy(const struct passwd& user, const std::string& root)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(user.pw_gid) != 0 ||
            ::setuid(user.pw_uid) != 0)
            ::_exit(1);
        RecordingMessages messages;
        std::string report;
        const auto outcome = scan(root, messages);
        for (const auto& row : outcome.rows)
            report += row.relativeName + ":" + (row.hasSize ? "1" : "0") + "\n";
        for (const auto& sentence : outcome.skipped)
            report += sentence + "\n";
        for (const auto& place : outcome.unreadable)
            report += "unreadable " + place + "\n";
        for (const char* folder : {"Locked", "Listable"})
            report += "root " + Main::rootProblem(root + "/" + folder) + "\n";
        (void)::write(pipeFds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return report;
}

TEST(FolderScan, SizeFollowsWhatAclsLetAnotherUserRead)
{
    const struct passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root and the user nobody to scan as another user";
    TempTree tree;
    ::chmod(tree.root().c_str(), 0755);
    const std::pair<const char*, const char*> files[] = {
        {"granted.mp3", "chmod 640 F && setfacl -m u:nobody:r F"},
        {"denied.mp3", "chmod 644 F && setfacl -m u:nobody:- F"},
        {"plain.mp3", "chmod 644 F"},
        {"private.mp3", "chmod 600 F"},
    };
    for (const auto& [name, setUp] : files) {
        const std::string path = "'" + tree.file(name, "12345") + "'";
        std::string command = setUp;
        // Past each replacement: the path itself may hold an "F".
        for (std::size_t at = command.find('F'); at != std::string::npos;
             at = command.find('F', at + path.size()))
            command.replace(at, 1, path);
        if (std::system((command + " 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "setfacl is missing or the file system has no ACLs";
    }
    const std::string seen = sizesSeenBy(*nobody, tree.root());
    for (const char* expected :
         {"granted.mp3:1\n", "denied.mp3:0\n", "plain.mp3:1\n", "private.mp3:0\n"})
        EXPECT_NE(seen.find(expected), std::string::npos) << expected << " in " << seen;
}

TEST(FolderScan, FoldersAndEntriesAnotherUserCannotReadAreNamedInSkip)
{
    const struct passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root and the user nobody to scan as another user";
    TempTree tree;
    ::chmod(tree.root().c_str(), 0755);
    tree.file("open.mp3", "1");
    tree.file("Locked/a.mp3", "2");
    tree.file("Listable/b.mp3", "3");
    ::chmod(tree.path("Locked").c_str(), 0700);   // neither listed nor entered
    ::chmod(tree.path("Listable").c_str(), 0744); // listed, but its entries cannot be looked at
    const std::string seen = sizesSeenBy(*nobody, tree.root());
    // The two folders come in the order the file system lists them.
    for (const std::string& line :
         {std::string("open.mp3:1"),
          tree.path("Locked") + " could not be read (permission denied); its files are left out "
                                "of this comparison",
          tree.path("Listable/b.mp3") + " could not be read (permission denied); it is left out "
                                        "of this comparison",
          std::string("unreadable Locked/"), std::string("unreadable Listable/b.mp3"),
          // A root that cannot be listed is refused; one whose entries cannot be looked at is
          // listed, its files named in Skip.
          std::string("root it cannot be read (permission denied)"), std::string("root ")})
        EXPECT_NE(seen.find(line + "\n"), std::string::npos) << line << " in " << seen;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), '\n'), 7) << seen;
}

TEST(FileSizeOf, ReportsSizesOver4GiBAndFailsForWhatIsNoFile)
{
    TempTree tree;
    const std::string sparse = tree.file("big.bin");
    ASSERT_EQ(::truncate(sparse.c_str(), 4'294'967'301LL), 0); // sparse: no disk space used
    const auto probe = FileSize::FileSizeOf(sparse);
    ASSERT_TRUE(probe.ok());
    EXPECT_EQ(probe.size, 4'294'967'301LL);
    EXPECT_EQ(FileSize::FileSizeOf(tree.path("missing")).error, ENOENT);
    EXPECT_EQ(FileSize::FileSizeOf(tree.root()).error, EISDIR);
    RecordingMessages messages;
    const auto rows = scan(tree.root(), messages).rows;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(sizeText(rows[0]), "4294967301 bytes");
}

} // namespace
} // namespace parlowen

namespace parlowen {
namespace {

TEST(FolderScan, DeepTreesAreWalkedToTheBottom)
{
    TempTree tree;
    std::string path;
    for (int level = 0; level < 100; ++level)
        path += "d" + std::to_string(level) + "/";
    tree.file(path + "deep.mp3", "x");
    tree.file("d0/d1/shallow.mp3", "y");
    RecordingMessages messages;
    EXPECT_EQ(names(scan(tree.root(), messages).rows),
              (std::vector<std::string>{"d0/d1/shallow.mp3", path + "deep.mp3"}));
}

} // namespace
} // namespace parlowen
