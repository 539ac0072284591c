// The addresses of players that speak MTP, as the file manager names them.
#include "platform/mtp_address.h"

#include <gtest/gtest.h>
#include <tuple>

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

TEST(MtpAddress, PartsOfAnAddress)
{
    struct Case
    {
        const char* text;
        std::optional<MtpPlace> place;
    };
    const Case cases[] = {
        {"mtp://H_1/Internal storage", MtpPlace{"H_1", "Internal storage", ""}},
        {"mtp://H_1/Card/Music/ABBA/", MtpPlace{"H_1", "Card", "Music/ABBA"}},
        {"mtp://H_1/Card/Música", MtpPlace{"H_1", "Card", "Música"}},
        {"mtp://H_1", std::nullopt},
        {"mtp://H_1/", std::nullopt},
        {"mtp:///Card", std::nullopt},
        {"mtp://H_1/Card/a//b", std::nullopt},
        {"/media/ann/PLAYER", std::nullopt},
    };
    for (const auto& [text, place] : cases) {
        const auto parsed = parseMtpAddress(text);
        ASSERT_EQ(parsed.has_value(), place.has_value()) << text;
        if (place) {
            EXPECT_EQ(std::tie(parsed->host, parsed->storage, parsed->folder),
                      std::tie(place->host, place->storage, place->folder))
                << text;
        }
    }
}

} // namespace
} // namespace parlowen
