// The songs of a run that are converted on their way to a player: one encoder per core fills
// the cache at most a few songs ahead of the copy being written, so the copies still go in plan
// order, through the same path as any copy. A copy's line goes into its player's copy map once
// the copy is whole there.
#pragma once

#include "compare/result_store.h"
#include "convert/converted_cache.h"
#include "convert/copy_map.h"
#include "platform/file_ops.h"
#include "sync_wizard/volume.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

namespace parlowen {

class Conversions final
{
public:
    // Nothing starts until start(); a plan without conversions starts nothing at all.
    Conversions(const ResultStore& plan, FileOps& files, std::stop_token stop);
    ~Conversions(); // stops the encoders, waits for them, removes their ".part"s
    Conversions(const Conversions&) = delete;
    Conversions& operator=(const Conversions&) = delete;

    void start();
    // The converted copy of operation i, once made (waited for): a file like any other to the
    // volume that writes it, carrying its song's times. A stop ends the wait.
    StepFailure open(std::size_t i, std::unique_ptr<SourceFile>& source);
    // The run is past operation i: the encoders may go further ahead.
    void passed(std::size_t i);
    // Operation i is whole on its player, as a copy of size bytes: its map line is due.
    void placed(std::size_t i, std::int64_t size);
    // The older copy operation i replaced was removed: its line goes.
    void replacedRemoved(std::size_t i);
    // The older copy could not be removed: said once the run ends.
    void replacedKept(std::size_t i, const std::string& why);
    // Writes the map lines due, at most once a second unless now.
    void saveMaps(bool now);
    // The encodes and retags made so far, and what went otherwise than asked.
    std::size_t encodes() const { return m_cache.encodes(); }
    std::vector<std::string> takeNotes();

private:
    void encodeAhead(std::stop_token stop);

    const ResultStore& m_plan;
    FileOps& m_files;
    ConvertedCache m_cache;
    std::vector<std::size_t> m_order; // the plan positions converted, in plan order
    std::map<std::size_t, ConvertedCopy> m_made; // by plan position, until the run is past it
    std::map<std::size_t, SongSeen> m_opened;    // the songs of copies written, until placed

    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::size_t m_next = 0;  // the next of m_order to encode
    std::size_t m_past = 0;  // how many of m_order the run is past
    std::stop_source m_stop;
    std::optional<std::stop_callback<std::function<void()>>> m_runStopped;
    std::size_t m_encoderCount = 0;
    std::vector<std::jthread> m_encoders;

    std::map<std::string, CopyMap> m_maps; // by path
    std::chrono::steady_clock::time_point m_saved = {};
    std::vector<std::string> m_notes;
};

} // namespace parlowen
