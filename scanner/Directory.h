#pragma once

// Opening a directory one level below another, so that the walk never hands
// the kernel a full path (which may exceed PATH_MAX) and never ends up in a
// directory other than the one it examined.

#include <string>
#include <sys/types.h>
#include <utility>

namespace scanner {

// An open descriptor, closed with its owner.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// A file as stat saw it.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

// The error of a directory that was replaced between its stat and its open.
inline constexpr int kReplaced = -1;

struct Opened {
    Fd fd;
    int error = 0; // an errno value or kReplaced when fd is not open
};

// Opens `name` below the open directory `parent` (or AT_FDCWD) for reading,
// only if it still is the directory `expected`. A symbolic link is refused
// unless `followLink`, which only the top of a walk may ask for.
Opened openDirectory(int parent, const char* name, FileId expected, bool followLink = false);

// What an error of openDirectory, or any errno value, means in words.
std::string reasonText(int error);

} // namespace scanner
