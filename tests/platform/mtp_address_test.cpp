// The addresses of players that speak MTP, as the file manager names them.
#include "platform/mtp_address.h"

#include <gtest/gtest.h>

namespace parlowen {
namespace {

TEST(MtpAddress, NamedAsTheFileManagerNamesTheDeviceAndItsPathsReadAsAddresses)
{
    EXPECT_EQ(mtpHostName("Parlowen", "Test Player", "0001"), "Parlowen_Test_Player_0001");
    EXPECT_EQ(mtpHostName("SAMSUNG", "", "R58M"), "SAMSUNG_R58M");
    EXPECT_EQ(mtpAddress("SAMSUNG_R58M", "Internal storage"), "mtp://SAMSUNG_R58M/Internal storage");
    const std::pair<const char*, const char*> paths[] = {
        {"/run/user/1000/gvfs/mtp:host=SAMSUNG_R58M/Internal storage/Music",
         "mtp://SAMSUNG_R58M/Internal storage/Music"},
        {"/run/user/1000/gvfs/mtp:host=SAMSUNG_R58M", "mtp://SAMSUNG_R58M"},
        {"/run/user/1000/gvfs/smb-share:server=nas/music", nullptr},
        {"/run/user//gvfs/mtp:host=X/A", nullptr},
        {"/media/ann/PLAYER", nullptr},
    };
    for (const auto& [path, address] : paths)
        EXPECT_EQ(mtpAddressOfFileManagerPath(path),
                  address ? std::optional<std::string>(address) : std::nullopt)
            << path;
}

} // namespace
} // namespace parlowen
