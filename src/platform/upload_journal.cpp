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
        if (fields.size() != 4 && fields.size() != 5)
            continue; // not a line this program wrote whole
        try {
            const std::string name = unescaped(fields[2]);
            entries.push_back({unescaped(fields[0]), unescaped(fields[1]), name,
                               std::stoll(fields[3]),
                               fields.size() == 5 ? unescaped(fields[4]) : name});
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
                std::to_string(e.size) + '\t' + escaped(e.song.empty() ? e.name : e.song) + '\n';
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
    if (!walk.storageFound)
        return std::make_error_code(std::errc::no_such_device_or_address); // a card taken out
    if (walk.reached < names.size())
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
    // The lock is on a file of its own: the journal itself is replaced by each change.
    const UniqueFd lock(::open((m_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock || ::flock(lock.get(), LOCK_EX) != 0)
        return lastError();
    std::vector<UploadEntry> entries;
    if (const UniqueFd old(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC)); old)
        entries = parse(readAll(old.get()));
    change(entries);
    const std::string text = format(entries);
    const std::string next = m_path + ".new";
    const UniqueFd fd(::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd ||
        ::pwrite(fd.get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::fsync(fd.get()) != 0 || ::rename(next.c_str(), m_path.c_str()) != 0)
        return lastError();
    // The rename is on the disk once the folder is.
    const UniqueFd folder(
        ::open(std::filesystem::path(m_path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder)
        ::fsync(folder.get());
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
    // Each change replaces the file whole, so a reader needs no lock.
    const UniqueFd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
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
        if (listed.error == std::errc::no_such_device_or_address)
            continue; // its storage is not there now: the partial file may come back with it
        if (listed.error) {
            if (listed.error == std::errc::no_such_file_or_directory)
                journal.forget(entry); // its folder is gone, and the partial file with it
            continue;
        }
        bool cleared = true;
        // A temporary name is this program's own, whole or not; under the song's own name
        // only a smaller object can be what the upload left.
        const std::int64_t below = entry.underTemporaryName() ? entry.size + 1 : entry.size;
        for (const auto& object : listed.value) {
            if (object.folder || object.name != entry.name || object.size >= below)
                continue;
            const ExpectedObject partial{.handle = object.handle,
                                         .parent = parent,
                                         .name = entry.name,
                                         .size = below,
                                         .below = true};
            if (removeChecked(device, partial)) {
                cleared = false;
                continue;
            }
            said.push_back("An unfinished copy of " + (entry.song.empty() ? entry.name : entry.song) +
                           ", left on the player " + device.host() +
                           " by a Sync that was stopped or cut short, was removed.");
        }
        // A folder gone, or the whole file there: nothing is left to clear.
        if (cleared)
            journal.forget(entry);
    }
    return said;
}

} // namespace parlowen
