// The file operations on the real file system.
#pragma once

#include "platform/file_ops.h"

namespace parlowen {

class PosixFileOps final : public FileOps
{
public:
    std::error_code openSource(const std::string& path, int& fd, struct stat& info) override;
    std::error_code createTemporary(const std::string& path, int& fd) override;
    std::error_code copyChunk(int in, int out, std::size_t max, std::size_t& copied) override;
    void beginFlush(int fd) override;
    std::error_code finish(int fd, const struct timespec& modified) override;
    std::error_code close(int fd) override;
    std::error_code rename(const std::string& from, const std::string& to) override;
    std::error_code remove(const std::string& path) override;
    std::error_code syncFolder(const std::string& folder) override;
};

} // namespace parlowen
