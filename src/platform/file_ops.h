// The file operations that carrying out a plan needs, so tests can make any one of them fail.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <system_error>

namespace parlowen {

class FileOps
{
public:
    virtual ~FileOps() = default;
    // Opens a regular file for reading; info receives what fstat says of it.
    virtual std::error_code openSource(const std::string& path, int& fd, struct stat& info) = 0;
    // Creates the file anew, removing one left over at that path (never following a link).
    virtual std::error_code createTemporary(const std::string& path, int& fd) = 0;
    // Copies up to max bytes from in to out at their current offsets; copied is 0 at the end.
    virtual std::error_code copyChunk(int in, int out, std::size_t max, std::size_t& copied) = 0;
    // Starts writing the file's data to the device without waiting for it.
    virtual void beginFlush(int fd) = 0;
    // Gives the file the modification time and flushes it to the device.
    virtual std::error_code finish(int fd, const struct timespec& modified) = 0;
    virtual std::error_code close(int fd) = 0;
    // Renames in one step, replacing what is at the target path.
    virtual std::error_code rename(const std::string& from, const std::string& to) = 0;
    virtual std::error_code remove(const std::string& path) = 0;
    // Flushes a folder's entries (the renames into it) to the device.
    virtual std::error_code syncFolder(const std::string& folder) = 0;
};

} // namespace parlowen
