// Names on a player.
#include "sync_wizard/player_names.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace parlowen {
namespace {

constexpr std::size_t kMaxName = 255;
constexpr std::string_view kSuffix = ".parlowen-copy";
constexpr std::string_view kFatRefused = "\"*:<>?\\|";

// FNV-1a: stable from build to build, so a name always gets the same temporary.
std::uint64_t fnv1a(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// The longest prefix of at most max bytes that does not split a UTF-8 character.
std::string wholeCharacters(const std::string& name, std::size_t max)
{
    if (name.size() <= max)
        return name;
    std::size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

} // namespace

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string temporaryNameFor(const std::string& name)
{
    if (1 + name.size() + kSuffix.size() <= kMaxName)
        return "." + name + std::string(kSuffix);
    // Too long to prefix and suffix: a shortened name with the whole name's hash stays unique.
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(name)));
    const std::size_t room = kMaxName - 1 - 1 - 16 - kSuffix.size();
    return "." + wholeCharacters(name, room) + "-" + hash + std::string(kSuffix);
}

bool isTemporaryName(const std::string& name)
{
    return name.size() > 1 + kSuffix.size() && name.front() == '.' && name.ends_with(kSuffix);
}

std::string fatNameProblem(const std::string& name)
{
    for (const char c : name) {
        if (kFatRefused.find(c) != std::string_view::npos)
            return std::string("the player's file system does not allow the character '") + c +
                   "' in names";
        if (static_cast<unsigned char>(c) < 0x20)
            return "the player's file system does not allow control characters in names";
    }
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return std::string("the player's file system does not allow a name that ends with ") +
               (name.back() == '.' ? "a dot" : "a space");
    return {};
}

} // namespace parlowen
