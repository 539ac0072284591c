// The record of uploads in flight.
#include "platform/upload_journal.h"

#include "platform/mtp_address.h"
#include "platform/state_folder.h"
#include "platform/unique_fd.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace parlowen {
namespace {

std::string escaped(const std::string& text)
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

std::string unescaped(const std::string& text)
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

std::vector<UploadEntry> parse(const std::string& text)
{
    std::vector<UploadEntry> entries;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');)
            fields.push_back(field);
        if (fields.size() != 4)
            continue; // not a line this program wrote whole
        try {
            entries.push_back({unescaped(fields[0]), unescaped(fields[1]), unescaped(fields[2]),
                               std::stoll(fields[3])});
        } catch (const std::exception&) {
        }
    }
    return entries;
}

std::string format(const std::vector<UploadEntry>& entries)
{
    std::string text;
    for (const auto& e : entries)
        text += escaped(e.host) + '\t' + escaped(e.folder) + '\t' + escaped(e.name) + '\t' +
                std::to_string(e.size) + '\n';
    return text;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

// The storage and handle of a folder of the device by its address; no_such_file_or_directory
// where it is not there.
std::error_code findFolder(MtpDevice& device, const std::string& address, std::uint32_t& storage,
                           std::uint32_t& folder)
{
    const auto place = parseMtpAddress(address);
    if (!place)
        return std::make_error_code(std::errc::no_such_file_or_directory);
    const auto names = folderNames(place->folder);
    const auto walk = walkTo(device, place->storage, names);
    if (walk.error)
        return walk.error;
    if (!walk.storageFound || walk.reached < names.size())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    storage = walk.storage.id;
    folder = walk.folder;
    return {};
}

} // namespace

template <class Change> std::error_code UploadJournal::change(Change change)
{
    if (m_path.empty())
        return {}; // no record kept
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), made);
    if (made)
        return made;
    const UniqueFd fd(::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd || ::flock(fd.get(), LOCK_EX) != 0)
        return lastError();
    auto entries = parse(readAll(fd.get()));
    change(entries);
    const std::string text = format(entries);
    // Written in place under the lock: readers take the lock too, and a line cut short by a
    // crash is not read back.
    if (::ftruncate(fd.get(), 0) != 0 ||
        ::pwrite(fd.get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::fsync(fd.get()) != 0)
        return lastError();
    return {};
}

std::error_code UploadJournal::add(const UploadEntry& entry)
{
    return change([&](std::vector<UploadEntry>& entries) { entries.push_back(entry); });
}

std::error_code UploadJournal::forget(const UploadEntry& entry)
{
    return change([&](std::vector<UploadEntry>& entries) { std::erase(entries, entry); });
}

std::vector<UploadEntry> UploadJournal::entriesFor(const std::string& host) const
{
    if (m_path.empty())
        return {};
    const UniqueFd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || ::flock(fd.get(), LOCK_SH) != 0)
        return {};
    auto entries = parse(readAll(fd.get()));
    std::erase_if(entries, [&](const UploadEntry& e) { return e.host != host; });
    return entries;
}

std::string uploadJournalPath()
{
    return stateFolder() + "/uploads";
}

std::vector<std::string> clearUnfinishedUploads(MtpDevice& device, UploadJournal& journal)
{
    std::vector<std::string> said;
    for (const auto& entry : journal.entriesFor(device.host())) {
        std::uint32_t storage = 0;
        std::uint32_t parent = 0;
        auto error = findFolder(device, entry.folder, storage, parent);
        const auto listed = error ? Outcome<std::vector<MtpObject>>{{}, error}
                                  : device.children(storage, parent);
        if (listed.error == std::errc::no_such_device)
            break; // asked again next time
        if (listed.error) {
            if (listed.error == std::errc::no_such_file_or_directory)
                journal.forget(entry); // its folder is gone, and the partial file with it
            continue;
        }
        bool cleared = true;
        for (const auto& object : listed.value) {
            if (object.folder || object.name != entry.name || object.size >= entry.size)
                continue;
            const ExpectedObject partial{.handle = object.handle,
                                         .parent = parent,
                                         .name = entry.name,
                                         .size = entry.size,
                                         .below = true};
            if (removeChecked(device, partial)) {
                cleared = false;
                continue;
            }
            said.push_back("An unfinished copy of " + entry.name +
                           " that an interrupted Sync left on the player " + device.host() +
                           " was removed.");
        }
        // A folder gone, or the whole file there: nothing is left to clear.
        if (cleared)
            journal.forget(entry);
    }
    return said;
}

} // namespace parlowen
