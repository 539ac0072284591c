// The one scan of a side.
#include "compare/tree_walk.h"

#include "compare/utf8.h"

namespace parlowen::Main {
namespace {

class TreeWalk final : public FolderEntries
{
public:
    TreeWalk(FolderLister& lister, std::stop_token stop, GrowingRows* live)
        : m_lister(lister), m_repeats(lister.namesMayRepeat()), m_stop(std::move(stop)),
          m_live(live)
    {
    }

    void walk(const std::string& name, const std::string& folder, const std::string& relative)
    {
        if (m_outcome.abandoned)
            return;
        if (m_stop.stop_requested()) {
            m_outcome.abandoned = true;
            return;
        }
        m_folder = &folder;
        m_relative = &relative;
        m_names.clear();
        m_subfolders.clear();
        const std::string problem = m_lister.enter(name, folder, *this);
        if (!problem.empty()) {
            m_outcome.unreadable.push_back(relative);
            const std::string shown =
                folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
            m_outcome.skipped.push_back(displayUtf8(shown) + " could not be read (" + problem +
                                        "); its files are left out of this comparison");
            m_lister.leave();
            return;
        }
        if (m_live)
            m_live->append(m_outcome.rows); // shown while the scan goes on
        const std::vector<std::string> subfolders = std::move(m_subfolders);
        for (const std::string& sub : subfolders)
            walk(sub, folder + sub + "/", relative + sub + "/");
        m_lister.leave();
    }

    ScanOutcome take() { return std::move(m_outcome); }

    bool take(std::string_view name) override
    {
        if (name.empty() || name.front() == '.')
            return false; // hidden
        if (!isValidUtf8(name)) {
            m_outcome.skipped.push_back(skipSentence(*m_folder + std::string(name)));
            return false;
        }
        if (m_repeats && !m_names.emplace(name).second) {
            // A row names one file.
            m_outcome.skipped.push_back(*m_folder + std::string(name) +
                                        " is on the player twice; the second is left out of "
                                        "this comparison");
            return false;
        }
        return true;
    }

    void folder(std::string_view name) override { m_subfolders.emplace_back(name); }

    void file(std::string_view name, std::optional<std::int64_t> size, std::int64_t modified,
              std::uint32_t object, std::uint32_t nanoseconds) override
    {
        ResultRow& row = m_outcome.rows.emplace_back();
        row.relativeName.reserve(m_relative->size() + name.size());
        row.relativeName.append(*m_relative).append(name);
        row.hasSize = size.has_value();
        row.size = size.value_or(0);
        row.hasModified = true;
        row.modified = modified;
        row.object = object;
        row.modifiedNs = nanoseconds;
    }

    void unreadable(std::string_view name, const std::string& reason) override
    {
        m_outcome.skipped.push_back(displayUtf8(*m_folder + std::string(name)) +
                                    " could not be read (" + reason +
                                    "); it is left out of this comparison");
        m_outcome.unreadable.push_back(*m_relative + std::string(name));
    }

    void skipped(std::string sentence) override
    {
        m_outcome.skipped.push_back(std::move(sentence));
    }

private:
    FolderLister& m_lister;
    const bool m_repeats;
    std::stop_token m_stop;
    GrowingRows* m_live;
    ScanOutcome m_outcome;
    // Of the folder being listed.
    const std::string* m_folder = nullptr;
    const std::string* m_relative = nullptr;
    std::unordered_set<std::string> m_names;
    std::vector<std::string> m_subfolders;
};

} // namespace

ScanOutcome walkTree(FolderLister& lister, const std::string& root, std::stop_token stop,
                     GrowingRows* live)
{
    TreeWalk walk(lister, std::move(stop), live);
    walk.walk("", root, "");
    return walk.take();
}

} // namespace parlowen::Main
