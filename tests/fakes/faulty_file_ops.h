// Real file operations, any one of which can be made to fail on demand.
#pragma once

#include "platform/posix_file_ops.h"

#include <chrono>
#include <functional>
#include <thread>

namespace parlowen::testing {

class FaultyFileOps final : public FileOps
{
public:
    int failOpenSource = 0; // errno to fail with, 0 for none
    int failCreate = 0;
    int failCopyAfterBytes = -1; // copy this much, then fail with failCopyError
    int failCopyError = EIO;
    int failFinish = 0;
    int failRename = 0;      // both kinds of rename
    int refuseNoReplace = 0; // as a FUSE file system that refuses the flag
    int failSetTimes = 0;
    int failLock = 0; // as a file system without locks (a network share) answers
    bool fatNames = false;
    std::optional<std::int64_t> freeBytes; // the room every device reports, when set
    // A slow or hanging player: each look at a folder or its room, and each chunk, waits first.
    std::chrono::milliseconds metadataDelay{0};
    std::chrono::milliseconds chunkDelay{0};
    std::optional<std::int64_t> allocationUnit;
    int flushes = 0;
    std::vector<std::string> madeFolders; // the names of the folders made, in order
    int roomLookUps = 0;
    // Asked before every chunk with the bytes about to be written; an errno fails the chunk.
    std::function<int(std::size_t bytes)> chunkError;
    std::function<void(std::size_t copiedSoFar)> afterChunk; // runs after every chunk
    // Runs right before a target is looked at by name, as another program might touch it then.
    std::function<void(const std::string& name)> beforeTargetCheck;
    // Runs before a folder's path is checked against the folder opened.
    std::function<void(const std::string& path)> beforeIdentityCheck;

    Outcome<OpenedSource> openSource(const std::string& path) override
    {
        if (failOpenSource)
            return {{}, error(failOpenSource)};
        return m_real.openSource(path);
    }
    Outcome<FileFacts> factsOfOpen(const UniqueFd& fd) override { return m_real.factsOfOpen(fd); }
    Outcome<OpenedFolder> openFolder(const std::string& path) override
    {
        std::this_thread::sleep_for(metadataDelay);
        return m_real.openFolder(path);
    }
    Outcome<FolderIdentity> identityOf(const std::string& path) override
    {
        std::this_thread::sleep_for(metadataDelay);
        if (beforeIdentityCheck)
            beforeIdentityCheck(path);
        return m_real.identityOf(path);
    }
    std::error_code lockFolder(const OpenedFolder& folder) override
    {
        if (failLock)
            return error(failLock);
        return m_real.lockFolder(folder);
    }
    Outcome<DeviceTraits> traitsOf(const OpenedFolder& folder) override
    {
        auto traits = m_real.traitsOf(folder);
        traits.value.fatNames = traits.value.caseInsensitive = fatNames;
        if (allocationUnit)
            traits.value.allocationUnit = *allocationUnit;
        return traits;
    }
    Outcome<std::int64_t> freeBytesOn(const OpenedFolder& folder) override
    {
        std::this_thread::sleep_for(metadataDelay);
        ++roomLookUps;
        auto room = m_real.freeBytesOn(folder);
        if (freeBytes)
            room.value = *freeBytes;
        return room;
    }
    Outcome<std::vector<std::string>> filesIn(const OpenedFolder& folder) override
    {
        return m_real.filesIn(folder);
    }
    std::error_code syncFolder(const OpenedFolder& folder) override
    {
        return m_real.syncFolder(folder);
    }
    std::error_code makeFolder(const OpenedFolder& parent, const std::string& name) override
    {
        madeFolders.push_back(name);
        return m_real.makeFolder(parent, name);
    }
    Outcome<UniqueFd> createIn(const OpenedFolder& folder, const std::string& name) override
    {
        return failCreate ? Outcome<UniqueFd>{{}, error(failCreate)}
                          : m_real.createIn(folder, name);
    }
    Outcome<std::optional<FileFacts>> factsIn(const OpenedFolder& folder,
                                              const std::string& name) override
    {
        if (beforeTargetCheck)
            beforeTargetCheck(name);
        return m_real.factsIn(folder, name);
    }
    std::error_code renameIn(const OpenedFolder& folder, const std::string& from,
                             const std::string& to, RenameMode mode) override
    {
        if (failRename)
            return error(failRename);
        if (refuseNoReplace && mode == RenameMode::NoReplace)
            return error(refuseNoReplace);
        return m_real.renameIn(folder, from, to, mode);
    }
    std::error_code removeIn(const OpenedFolder& folder, const std::string& name) override
    {
        return m_real.removeIn(folder, name);
    }
    Outcome<std::size_t> copyChunk(const UniqueFd& in, const UniqueFd& out,
                                   std::size_t max) override
    {
        std::this_thread::sleep_for(chunkDelay);
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
        return failSetTimes ? error(failSetTimes) : m_real.setTimes(fd, accessed, modified);
    }
    std::error_code flushFile(const UniqueFd& fd) override
    {
        ++flushes;
        return failFinish ? error(failFinish) : m_real.flushFile(fd);
    }
    std::error_code flushDevice(const UniqueFd& fd) override
    {
        ++flushes;
        return failFinish ? error(failFinish) : m_real.flushDevice(fd);
    }

private:
    static std::error_code error(int number) { return {number, std::generic_category()}; }
    PosixFileOps m_real;
    std::size_t m_copied = 0;
};

} // namespace parlowen::testing
