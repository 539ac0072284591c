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
    int failRename = 0; // both kinds of rename
    bool fatNames = false;
    std::optional<std::int64_t> freeBytes; // the room every device reports, when set
    int flushes = 0;
    int roomLookUps = 0;
    // Asked before every chunk with the bytes about to be written; an errno fails the chunk.
    std::function<int(std::size_t bytes)> chunkError;
    std::function<void(std::size_t copiedSoFar)> afterChunk; // runs after every chunk
    // Runs right before the target is looked at for the last time before it is replaced, as
    // another program might touch it then.
    std::function<void(const std::string& target)> beforeTargetCheck;

    Outcome<OpenedSource> openSource(const std::string& path) override
    {
        if (failOpenSource)
            return {{}, error(failOpenSource)};
        return m_real.openSource(path);
    }
    Outcome<UniqueFd> createTemporary(const std::string& path) override
    {
        return failCreate ? Outcome<UniqueFd>{{}, error(failCreate)} : m_real.createTemporary(path);
    }
    Outcome<std::size_t> copyChunk(const UniqueFd& in, const UniqueFd& out,
                                   std::size_t max) override
    {
        if (failCopyAfterBytes >= 0 && m_copied >= static_cast<std::size_t>(failCopyAfterBytes))
            return {0, error(failCopyError)};
        if (failCopyAfterBytes >= 0)
            max = std::min(max, static_cast<std::size_t>(failCopyAfterBytes) - m_copied);
        if (chunkError) {
            max = std::min<std::size_t>(max, 64 << 10);
            if (const int number = chunkError(max))
                return {0, error(number)};
        }
        const auto copied = m_real.copyChunk(in, out, max);
        m_copied += copied.value;
        if (afterChunk)
            afterChunk(m_copied);
        return copied;
    }
    void startWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) override
    {
        m_real.startWriteBack(fd, offset, length);
    }
    void waitWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) override
    {
        m_real.waitWriteBack(fd, offset, length);
    }
    std::error_code setTimes(const UniqueFd& fd, const struct timespec& accessed,
                             const struct timespec& modified) override
    {
        return m_real.setTimes(fd, accessed, modified);
    }
    std::error_code flush(const std::vector<const UniqueFd*>& files) override
    {
        ++flushes;
        return failFinish ? error(failFinish) : m_real.flush(files);
    }
    Outcome<std::optional<FileFacts>> factsOf(const std::string& path) override
    {
        if (beforeTargetCheck)
            beforeTargetCheck(path);
        return m_real.factsOf(path);
    }
    std::error_code rename(const std::string& from, const std::string& to) override
    {
        return failRename ? error(failRename) : m_real.rename(from, to);
    }
    std::error_code renameNoReplace(const std::string& from, const std::string& to) override
    {
        return failRename ? error(failRename) : m_real.renameNoReplace(from, to);
    }
    std::error_code remove(const std::string& path) override { return m_real.remove(path); }
    Outcome<std::vector<std::string>> filesIn(const std::string& folder) override
    {
        return m_real.filesIn(folder);
    }
    bool hasFatNames(const std::string&) override { return fatNames; }
    Outcome<std::uint64_t> deviceOf(const std::string& folder) override
    {
        return m_real.deviceOf(folder);
    }
    Outcome<DeviceRoom> roomOn(const std::string& folder) override
    {
        ++roomLookUps;
        auto room = m_real.roomOn(folder);
        if (freeBytes)
            room.value.freeBytes = *freeBytes;
        return room;
    }
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
