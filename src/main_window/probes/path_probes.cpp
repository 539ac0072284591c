// The two path probes.
#include "main_window/probes/path_probes.h"

#include <sys/stat.h>

namespace parlowen::OldMain {
namespace {

// A path with an embedded NUL cannot name anything; passing it on would probe a shorter path.
bool usable(const std::string& path)
{
    return !path.empty() && path.find('\0') == std::string::npos;
}

} // namespace

bool FileExists(const std::string& path)
{
    // A name ending in "/" is a folder text, not an entry name, so it is never found.
    if (!usable(path) || path.back() == '/')
        return false;
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path)
{
    if (!usable(path))
        return false;
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderPartOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace parlowen::OldMain
