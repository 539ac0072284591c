// The path probes on real files and folders.
#include "main_window/probes/path_probes.h"

#include "fakes/temp_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace parlowen {
namespace {

using testing::TempTree;

TEST(FileExists, FindsFilesAndFoldersNamedWithoutTrailingSlash)
{
    TempTree tree;
    const auto file = tree.file("song.mp3", "x");
    const auto folder = tree.folder("Music");
    EXPECT_TRUE(OldMain::FileExists(file));
    EXPECT_FALSE(OldMain::FileExists(file + "3"));
    EXPECT_TRUE(OldMain::FileExists(folder));
    EXPECT_FALSE(OldMain::FileExists(folder + "/"));
    EXPECT_FALSE(OldMain::FileExists("/"));
    EXPECT_FALSE(OldMain::FileExists(""));
}

TEST(IsFolder, AcceptsFoldersWithOrWithoutTrailingSlashAndNothingElse)
{
    TempTree tree;
    const auto file = tree.file("song.mp3", "x");
    const auto folder = tree.folder("Music");
    EXPECT_TRUE(OldMain::IsFolder(folder));
    EXPECT_TRUE(OldMain::IsFolder(folder + "/"));
    EXPECT_TRUE(OldMain::IsFolder("/"));
    EXPECT_FALSE(OldMain::IsFolder(file));
    EXPECT_FALSE(OldMain::IsFolder(file + "/"));
    EXPECT_FALSE(OldMain::IsFolder(tree.path("missing")));
    EXPECT_FALSE(OldMain::IsFolder(""));
}

TEST(PathProbes, FollowSymbolicLinksAndRejectEmbeddedNul)
{
    TempTree tree;
    const auto folder = tree.folder("Music");
    ASSERT_EQ(::symlink(folder.c_str(), tree.path("link").c_str()), 0);
    ASSERT_EQ(::symlink(tree.path("gone").c_str(), tree.path("dangling").c_str()), 0);
    EXPECT_TRUE(OldMain::IsFolder(tree.path("link")));
    EXPECT_FALSE(OldMain::FileExists(tree.path("dangling")));
    // The part before the NUL exists; the whole text names nothing.
    EXPECT_FALSE(OldMain::IsFolder(folder + std::string(1, '\0') + "x"));
    EXPECT_FALSE(OldMain::FileExists(folder + std::string(1, '\0') + "x"));
}

} // namespace
} // namespace parlowen
