// A temporary folder tree on the real disk, removed when the test ends.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <utime.h>

namespace parlowen::testing {

class TempTree
{
public:
    TempTree() : TempTree(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "") {}
    // A tree in a folder of its own under base (an empty base is /tmp).
    explicit TempTree(const std::string& base)
    {
        std::string pattern = (base.empty() ? std::string("/tmp") : base) + "/parlowen-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_root = pattern;
    }
    ~TempTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return m_root; }
    std::string path(const std::string& relative) const { return m_root + "/" + relative; }

    // Makes the folder and its parents; returns its full path.
    std::string folder(const std::string& relative) const
    {
        std::filesystem::create_directories(path(relative));
        return path(relative);
    }

    // Makes a file with the content (parents included), optionally with a modification time.
    std::string file(const std::string& relative, const std::string& content = {},
                     std::int64_t modified = -1) const
    {
        const std::filesystem::path full = path(relative);
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << content;
        if (modified >= 0)
            setModified(relative, modified);
        return full.string();
    }

    void setModified(const std::string& relative, std::int64_t modified) const
    {
        struct utimbuf times = {};
        times.actime = static_cast<std::time_t>(modified);
        times.modtime = static_cast<std::time_t>(modified);
        ::utime(path(relative).c_str(), &times);
    }

    std::string read(const std::string& relative) const
    {
        std::ifstream in(path(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string m_root;
};

// Files whose names say they are temporary copies, anywhere under the root.
inline int leftoverTemporaries(const std::string& root)
{
    int count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        count += entry.path().filename().string().ends_with(".parlowen-copy");
    return count;
}

} // namespace parlowen::testing
