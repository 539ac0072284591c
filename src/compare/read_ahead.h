// Reading a tree ahead of its scan, for a cold cache: while the scan walks the root's
// subfolders from the first, this walks them from the last and looks at every file, so the
// device always has a second request in flight; the scan then finds the far half in the cache.
// Nothing it reads is kept.
#pragma once

#include <atomic>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace parlowen::Main {

class ReadAhead
{
public:
    // The root folder (ending in "/") and its subfolders in the scan's order.
    ReadAhead(std::string root, std::vector<std::string> subfolders, std::stop_token stop);
    ~ReadAhead(); // stops and joins

    // The scan is about to walk subfolder number index: the read-ahead goes no further.
    void reached(std::size_t index) { m_reached.store(index, std::memory_order_relaxed); }

private:
    void run(std::stop_token ownStop);
    bool wanted(std::size_t index, const std::stop_token& ownStop) const;
    void readFolder(int parentFd, const char* name, int depth, std::size_t index,
                    const std::stop_token& ownStop);

    std::string m_root;
    std::vector<std::string> m_subfolders;
    std::stop_token m_stop;
    std::atomic<std::size_t> m_reached = 0;
    std::vector<char> m_buffer;
    std::jthread m_thread; // last: started once everything else is in place
};

} // namespace parlowen::Main
