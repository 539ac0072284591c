// The record of uploads in flight.
#include "platform/upload_journal.h"

#include "platform/mtp_address.h"
#include "platform/state_folder.h"
#include "platform/whole_file.h"

#include <sstream>

namespace parlowen {
namespace {

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
            const std::string name = unescapedField(fields[2]);
            entries.push_back({unescapedField(fields[0]), unescapedField(fields[1]), name,
                               std::stoll(fields[3]),
                               fields.size() == 5 ? unescapedField(fields[4]) : name});
        } catch (const std::exception&) {
        }
    }
    return entries;
}

std::string format(const std::vector<UploadEntry>& entries)
{
    std::string text;
    for (const auto& e : entries)
        text += escapedField(e.host) + '\t' + escapedField(e.folder) + '\t' + escapedField(e.name) + '\t' +
                std::to_string(e.size) + '\t' + escapedField(e.song.empty() ? e.name : e.song) + '\n';
    return text;
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
    // The lock is on a file of its own: the journal itself is replaced by each change.
    std::error_code locked;
    const UniqueFd lock = lockFor(m_path, locked);
    if (locked)
        return locked;
    std::vector<UploadEntry> entries = parse(readWhole(m_path));
    change(entries);
    return writeWhole(m_path, format(entries));
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
    auto entries = parse(readWhole(m_path));
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
