// The file operations on the real file system.
#pragma once

#include "platform/file_ops.h"

namespace parlowen {

// Holds no state: what a device can do is worked out by each run that asks, so two threads
// may share one.
class PosixFileOps final : public FileOps
{
public:
    Outcome<OpenedSource> openSource(const std::string& path) override;
    Outcome<FileFacts> factsOfOpen(const UniqueFd& fd) override;
    Outcome<OpenedFolder> openFolder(const std::string& path) override;
    Outcome<FolderIdentity> identityOf(const std::string& path) override;
    std::error_code lockFolder(const OpenedFolder& folder) override;
    Outcome<DeviceTraits> traitsOf(const OpenedFolder& folder) override;
    Outcome<std::int64_t> freeBytesOn(const OpenedFolder& folder) override;
    Outcome<std::vector<std::string>> filesIn(const OpenedFolder& folder) override;
    std::error_code syncFolder(const OpenedFolder& folder) override;
    std::error_code makeFolder(const OpenedFolder& parent, const std::string& name) override;
    Outcome<UniqueFd> createIn(const OpenedFolder& folder, const std::string& name) override;
    Outcome<std::optional<FileFacts>> factsIn(const OpenedFolder& folder,
                                              const std::string& name) override;
    std::error_code renameIn(const OpenedFolder& folder, const std::string& from,
                             const std::string& to, RenameMode mode) override;
    std::error_code removeIn(const OpenedFolder& folder, const std::string& name) override;
    Outcome<std::size_t> copyChunk(const UniqueFd& in, const UniqueFd& out,
                                   std::size_t max) override;
    void startWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) override;
    void waitWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) override;
    std::error_code setTimes(const UniqueFd& fd, const struct timespec& accessed,
                             const struct timespec& modified) override;
    std::error_code flushFile(const UniqueFd& fd) override;
    std::error_code flushDevice(const UniqueFd& fd) override;
};

} // namespace parlowen
