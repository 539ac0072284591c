// A file descriptor that closes itself, so no path through the code has to close it by hand.
#pragma once

#include <cerrno>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace parlowen {

class UniqueFd
{
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        UniqueFd(std::move(other)).swap(*this);
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

    // Closes now and says whether the close itself failed (some file systems report late
    // write errors only here).
    std::error_code close()
    {
        if (m_fd < 0)
            return {};
        const int result = ::close(std::exchange(m_fd, -1));
        return result != 0 ? std::error_code(errno, std::generic_category()) : std::error_code();
    }

private:
    void swap(UniqueFd& other) noexcept { std::swap(m_fd, other.m_fd); }
    int m_fd = -1;
};

} // namespace parlowen
