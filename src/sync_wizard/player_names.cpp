// Names on a player.
#include "sync_wizard/player_names.h"

#include <cstdint>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

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

std::string runMark()
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    char mark[32];
    std::snprintf(mark, sizeof mark, "r%ld-%08llx", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(fnv1a(host) & 0xffffffffu));
    return mark;
}

std::string temporaryNameFor(const std::string& name)
{
    return temporaryNameFor(name, runMark());
}

std::string temporaryNameFor(const std::string& name, const std::string& mark)
{
    const std::string marked = "." + mark + std::string(kSuffix);
    if (1 + name.size() + marked.size() <= kMaxName)
        return "." + name + marked;
    // Too long to prefix and suffix: a shortened name with the whole name's hash stays unique.
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(name)));
    const std::size_t room = kMaxName - 1 - 1 - 16 - marked.size();
    return "." + wholeCharacters(name, room) + "-" + hash + marked;
}

bool isTemporaryName(const std::string& name)
{
    return name.size() > 1 + kSuffix.size() && name.front() == '.' && name.ends_with(kSuffix);
}

std::string runMarkOf(const std::string& temporaryName)
{
    if (!isTemporaryName(temporaryName))
        return {};
    const std::string_view rest =
        std::string_view(temporaryName).substr(0, temporaryName.size() - kSuffix.size());
    const auto dot = rest.rfind('.');
    const std::string_view mark = rest.substr(dot + 1);
    const auto dash = mark.find('-');
    const bool shaped = dot != 0 && mark.size() > 2 && mark.front() == 'r' &&
                        dash != std::string_view::npos && mark.size() - dash - 1 == 8 &&
                        mark.find_first_not_of("0123456789", 1) == dash &&
                        mark.find_first_not_of("0123456789abcdef", dash + 1) == std::string::npos;
    return shaped ? std::string(mark) : std::string();
}

bool markedRunGone(const std::string& mark)
{
    const std::string own = runMark();
    const auto dash = mark.find('-');
    if (dash == std::string::npos || mark.substr(dash) != own.substr(own.find('-')))
        return false; // another machine's run (a shared folder): its process cannot be looked at
    const pid_t pid = static_cast<pid_t>(std::strtol(mark.c_str() + 1, nullptr, 10));
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
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
