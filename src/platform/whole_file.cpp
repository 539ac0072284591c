// Records written whole and renamed.
#include "platform/whole_file.h"

#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace parlowen {
namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

} // namespace

std::string readWhole(const std::string& path)
{
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!fd)
        return text;
    char buffer[1 << 16];
    for (ssize_t n; (n = ::pread(fd.get(), buffer, sizeof buffer,
                                 static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

std::error_code writeWhole(const std::string& path, const std::string& text)
{
    const auto folderPath = std::filesystem::path(path).parent_path();
    std::error_code made;
    std::filesystem::create_directories(folderPath, made);
    if (made)
        return made;
    const std::string next = path + ".new";
    const UniqueFd fd(::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    std::size_t written = 0;
    while (fd && written < text.size()) {
        const ssize_t n = ::pwrite(fd.get(), text.data() + written, text.size() - written,
                                   static_cast<off_t>(written));
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    if (!fd || written < text.size() || ::fsync(fd.get()) != 0 ||
        ::rename(next.c_str(), path.c_str()) != 0) {
        const auto error = lastError();
        ::unlink(next.c_str());
        return error;
    }
    // The rename is on the disk once the folder is.
    if (const UniqueFd folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folder)
        ::fsync(folder.get());
    return {};
}

UniqueFd lockFor(const std::string& path, std::error_code& error)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (error)
        return UniqueFd();
    UniqueFd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock || ::flock(lock.get(), LOCK_EX) != 0) {
        error = lastError();
        return UniqueFd();
    }
    return lock;
}

std::string escapedField(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string unescapedField(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(unescapedField(line.substr(start, tab - start)));
    fields.push_back(unescapedField(line.substr(start)));
    return fields;
}

} // namespace parlowen
