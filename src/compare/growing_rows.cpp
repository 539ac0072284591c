// The rows a scan has found so far.
#include "compare/growing_rows.h"

#include <iterator>

namespace parlowen {

void GrowingRows::append(std::vector<ResultRow>& batch)
{
    const std::lock_guard lock(m_lock);
    m_rows.insert(m_rows.end(), std::make_move_iterator(batch.begin()),
                  std::make_move_iterator(batch.end()));
    batch.clear();
}

std::size_t GrowingRows::size() const
{
    const std::lock_guard lock(m_lock);
    return m_rows.size();
}

} // namespace parlowen
