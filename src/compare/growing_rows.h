// The rows a scan has found so far, which the window may read while the scan goes on: the scan
// adds a folder's rows at a time, and a reader takes the lock only for the rows it shows.
#pragma once

#include "compare/result_row.h"

#include <mutex>
#include <span>
#include <vector>

namespace parlowen {

class GrowingRows
{
public:
    // Moves the rows of one folder in, leaving batch empty.
    void append(std::vector<ResultRow>& batch);
    std::size_t size() const;
    // Calls read with row i (below size()) while no row can be added.
    template <class Read> void read(std::size_t i, Read read) const
    {
        const std::lock_guard lock(m_lock);
        read(m_rows[i]);
    }
    // Calls read with the first count rows (count at most size()) while no row can be added.
    template <class Read> void readFirst(std::size_t count, Read read) const
    {
        const std::lock_guard lock(m_lock);
        read(std::span<const ResultRow>(m_rows.data(), count));
    }
    // The rows, for the one who works on them once the scan has ended. Their names, sizes and
    // times do not change after the scan; a reader may still read those meanwhile.
    std::vector<ResultRow>& scanned() { return m_rows; }

private:
    mutable std::mutex m_lock;
    std::vector<ResultRow> m_rows;
};

// Both sides of a Compare whose rows are shown while it runs.
struct LiveRows
{
    GrowingRows left;
    GrowingRows right;
};

} // namespace parlowen
