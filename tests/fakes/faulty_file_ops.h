// Real file operations, any one of which can be made to fail on demand.
#pragma once

#include "platform/posix_file_ops.h"

#include <functional>

namespace parlowen::testing {

class FaultyFileOps final : public FileOps
{
public:
    int failOpenSource = 0; // errno to fail with, 0 for none
    int failCreate = 0;
    int failCopyAfterBytes = -1; // copy this much, then fail with failCopyError
    int failCopyError = EIO;
    int failFinish = 0;
    int failRename = 0;
    std::function<void(std::size_t copiedSoFar)> afterChunk; // runs after every chunk

    std::error_code openSource(const std::string& path, int& fd, struct stat& info) override
    {
        return failOpenSource ? error(failOpenSource) : m_real.openSource(path, fd, info);
    }
    std::error_code createTemporary(const std::string& path, int& fd) override
    {
        return failCreate ? error(failCreate) : m_real.createTemporary(path, fd);
    }
    std::error_code copyChunk(int in, int out, std::size_t max, std::size_t& copied) override
    {
        if (failCopyAfterBytes >= 0 && m_copied >= static_cast<std::size_t>(failCopyAfterBytes))
            return error(failCopyError);
        if (failCopyAfterBytes >= 0)
            max = std::min(max, static_cast<std::size_t>(failCopyAfterBytes) - m_copied);
        const auto e = m_real.copyChunk(in, out, max, copied);
        m_copied += copied;
        if (afterChunk)
            afterChunk(m_copied);
        return e;
    }
    void beginFlush(int fd) override { m_real.beginFlush(fd); }
    std::error_code finish(int fd, const struct timespec& modified) override
    {
        return failFinish ? error(failFinish) : m_real.finish(fd, modified);
    }
    std::error_code close(int fd) override { return m_real.close(fd); }
    std::error_code rename(const std::string& from, const std::string& to) override
    {
        return failRename ? error(failRename) : m_real.rename(from, to);
    }
    std::error_code remove(const std::string& path) override { return m_real.remove(path); }
    std::error_code syncFolder(const std::string& folder) override
    {
        return m_real.syncFolder(folder);
    }

private:
    static std::error_code error(int number) { return {number, std::generic_category()}; }
    PosixFileOps m_real;
    std::size_t m_copied = 0;
};

} // namespace parlowen::testing
