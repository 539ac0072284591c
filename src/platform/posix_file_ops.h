// The file operations on the real file system.
#pragma once

#include "platform/file_ops.h"

#include <map>
#include <sys/types.h>

namespace parlowen {

class PosixFileOps final : public FileOps
{
public:
    Outcome<OpenedSource> openSource(const std::string& path) override;
    Outcome<UniqueFd> createTemporary(const std::string& path) override;
    Outcome<std::size_t> copyChunk(const UniqueFd& in, const UniqueFd& out,
                                   std::size_t max) override;
    void startWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) override;
    void waitWriteBack(const UniqueFd& fd, std::int64_t offset, std::int64_t length) override;
    std::error_code setTimes(const UniqueFd& fd, const struct timespec& accessed,
                             const struct timespec& modified) override;
    std::error_code flush(const std::vector<const UniqueFd*>& files) override;
    Outcome<std::optional<FileFacts>> factsOf(const std::string& path) override;
    std::error_code rename(const std::string& from, const std::string& to) override;
    std::error_code renameNoReplace(const std::string& from, const std::string& to) override;
    std::error_code remove(const std::string& path) override;
    Outcome<std::vector<std::string>> filesIn(const std::string& folder) override;
    bool hasFatNames(const std::string& folder) override;
    Outcome<std::uint64_t> deviceOf(const std::string& folder) override;
    Outcome<DeviceRoom> roomOn(const std::string& folder) override;
    std::error_code syncFolder(const std::string& folder) override;

private:
    std::map<dev_t, bool> m_fatDevices; // whether each device seen has FAT names
};

// The rename of renameNoReplace where the file system refuses RENAME_NOREPLACE: a look-up of
// the target name (which a FAT file system answers whatever the capitals) right before a plain
// rename.
std::error_code renameAfterLookUp(const std::string& from, const std::string& to);

} // namespace parlowen
