#pragma once

#include <unistd.h>
#include <utility>

namespace umbraxis {

// A descriptor of the host (a file, a directory, a pipe, a lock) with one
// owner, closed when the owner lets go of it: no early return or exception
// leaves one open.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) noexcept
        : m_fd(fd)
    {
    }
    Descriptor(Descriptor&& other) noexcept
        : m_fd(other.release())
    {
    }
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

    // Hands the descriptor to a new owner that closes it itself.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held, if any, and holds `fd` instead.
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

} // namespace umbraxis
