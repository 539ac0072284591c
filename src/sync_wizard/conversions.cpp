// Encoding ahead of the copies.
#include "sync_wizard/conversions.h"

#include "sync_wizard/drive_copy.h"

#include <algorithm>
#include <set>

namespace parlowen {
namespace {

// Encodes waiting in the cache for their copy, beyond the encoders' own: enough that a player
// never waits for an encoder, few enough that a stop wastes little.
constexpr std::size_t kAhead = 2;

timespec timeOf(std::int64_t ns)
{
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

Conversions::Conversions(const ResultStore& plan, FileOps& files, std::stop_token stop)
    : m_plan(plan), m_files(files),
      m_cache(ConvertedCache::defaultFolder(), ConvertedCache::defaultCap())
{
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].conversion)
            m_order.push_back(i);
    }
    m_runStopped.emplace(stop, std::function<void()>([this] { m_stop.request_stop(); }));
}

Conversions::~Conversions()
{
    m_stop.request_stop();
    m_encoders.clear(); // joined; each removed its own ".part"
    saveMaps(true);
}

void Conversions::start()
{
    if (m_order.empty())
        return;
    m_cache.clearLeftovers();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    m_encoderCount = std::min<std::size_t>(cores, m_order.size());
    for (std::size_t i = 0; i < m_encoderCount; ++i)
        m_encoders.emplace_back([this] { encodeAhead(m_stop.get_token()); });
}

void Conversions::encodeAhead(std::stop_token stop)
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        const bool due = m_changed.wait(lock, stop, [&] {
            return m_next < m_order.size() && m_next < m_past + m_encoderCount + kAhead;
        });
        if (!due)
            return; // stopped
        const std::size_t index = m_order[m_next++];
        lock.unlock();
        const PlannedOperation& op = m_plan[index];
        ConvertedCopy made = m_cache.make(op.OpSourcePath, op.conversion->rule, stop);
        lock.lock();
        m_made[index] = std::move(made);
        m_changed.notify_all();
    }
}

StepFailure Conversions::open(std::size_t i, std::unique_ptr<SourceFile>& source)
{
    std::unique_lock lock(m_mutex);
    const bool made = m_changed.wait(lock, m_stop.get_token(), [&] { return m_made.contains(i); });
    if (!made)
        return failed(std::make_error_code(std::errc::operation_canceled), "converting");
    const ConvertedCopy& copy = m_made[i];
    if (copy.stopped)
        return failed(std::make_error_code(std::errc::operation_canceled), "converting");
    if (!copy.failure.empty())
        return failedPlainly("it could not be converted: " + copy.failure);
    auto opened = m_files.openSource(copy.path);
    if (opened.error)
        return failed(opened.error, "reading its converted copy");
    source = std::make_unique<CarriedSource>(m_files, std::move(opened.value), copy.song.size,
                                             timeOf(copy.song.modifiedNs));
    m_opened[i] = copy.song;
    return {};
}

void Conversions::passed(std::size_t i)
{
    std::lock_guard lock(m_mutex);
    const auto at = std::upper_bound(m_order.begin(), m_order.end(), i);
    m_past = std::max(m_past, static_cast<std::size_t>(at - m_order.begin()));
    // Copies the run is done with may leave the cache, the ones still ahead may not.
    std::set<std::string> inUse;
    for (auto it = m_made.begin(); it != m_made.end();) {
        if (it->first <= i) {
            it = m_made.erase(it);
        } else {
            inUse.insert(it->second.path);
            ++it;
        }
    }
    if (at != m_order.begin() && *(at - 1) == i)
        m_cache.trim(inUse);
    m_changed.notify_all();
}

void Conversions::placed(std::size_t i, std::int64_t size)
{
    const PlannedOperation& op = m_plan[i];
    if (!op.conversion)
        return;
    std::lock_guard lock(m_mutex);
    const auto opened = m_opened.find(i);
    if (opened == m_opened.end())
        return;
    const SongSeen song = opened->second;
    m_opened.erase(opened);
    auto map = m_maps.find(op.conversion->mapPath);
    if (map == m_maps.end())
        map = m_maps.emplace(op.conversion->mapPath, CopyMap::load(op.conversion->mapPath)).first;
    map->second.put({.playerName = op.conversion->mapName,
                     .sourcePath = op.conversion->songName,
                     .sourceSize = song.size,
                     .sourceModifiedNs = song.modifiedNs,
                     .audioMd5 = song.md5,
                     .recipe = recipeOf(op.conversion->rule),
                     .copySize = size});
}

void Conversions::replacedRemoved(std::size_t i)
{
    const Conversion& conversion = *m_plan[i].conversion;
    std::lock_guard lock(m_mutex);
    auto map = m_maps.find(conversion.mapPath);
    if (map != m_maps.end())
        map->second.remove(conversion.replacesMapName);
}

void Conversions::replacedKept(std::size_t i, const std::string& why)
{
    const PlannedOperation& op = m_plan[i];
    const std::string folder = op.OpTargetPath.substr(0, op.OpTargetPath.rfind('/') + 1);
    std::lock_guard lock(m_mutex);
    m_notes.push_back("The older copy " + folder + op.conversion->replacesName +
                      " was left on the player: " + why + ".");
}

void Conversions::saveMaps(bool now)
{
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - m_saved < std::chrono::seconds(1))
        return;
    m_saved = time;
    std::lock_guard lock(m_mutex);
    for (auto& [path, map] : m_maps) {
        if (const auto error = map.save())
            m_notes.push_back("The record of which converted copy came from which song could "
                              "not be written (" + error.message() + " at " + path +
                              "); the next Compare may convert those songs again.");
    }
}

std::vector<std::string> Conversions::takeNotes()
{
    std::lock_guard lock(m_mutex);
    auto notes = std::move(m_notes);
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    return notes;
}

} // namespace parlowen
