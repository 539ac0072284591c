// Telling FAT and exFAT from the mount table and boot sectors, and the look-up rename.
#include "platform/file_system_kind.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

TEST(FileSystemKind, MountEntryIsFoundByDevice)
{
    const std::string info =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "45 27 7:0 / /media/ann/MY\\040PLAYER rw,nosuid - fuseblk /dev/loop0 rw,user_id=0\n"
        "46 27 0:52 / /media/ann/OTHER rw - fuse.exfat /dev/sdb\\0401 rw\n";
    EXPECT_EQ(mountEntryOf(info, 7, 0).type, "fuseblk");
    EXPECT_EQ(mountEntryOf(info, 7, 0).source, "/dev/loop0");
    EXPECT_EQ(mountEntryOf(info, 7, 0).mountPoint, "/media/ann/MY PLAYER");
    EXPECT_EQ(mountEntryOf(info, 0, 52).type, "fuse.exfat");
    EXPECT_EQ(mountEntryOf(info, 0, 52).source, "/dev/sdb 1");
    EXPECT_EQ(mountEntryOf(info, 8, 2).type, "");
}

TEST(FileSystemKind, BootSectorsOfFatAndExfat)
{
    std::string exfat(512, '\0');
    exfat.replace(3, 8, "EXFAT   ");
    std::string fat32(512, '\0');
    fat32.replace(82, 8, "FAT32   ");
    fat32[510] = '\x55';
    fat32[511] = '\xAA';
    std::string ntfs(512, '\0');
    ntfs.replace(3, 8, "NTFS    ");
    ntfs[510] = '\x55';
    ntfs[511] = '\xAA';
    EXPECT_TRUE(isFatBootSector(exfat));
    EXPECT_TRUE(isFatBootSector(fat32));
    EXPECT_FALSE(isFatBootSector(ntfs));
}

} // namespace
} // namespace parlowen
