#include "scanner/Directory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scanner {

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0)
        close(fd_);
}

Opened openDirectory(int parent, const char* name, FileId expected, bool followLink) {
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    // Reading a directory should not write its access time back to the disk;
    // only its owner (or a holder of CAP_FOWNER) may ask for that.
    int fd = openat(parent, name, flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = openat(parent, name, flags);
    if (fd < 0)
        return {Fd(), errno};
    Fd opened(fd);
    struct stat status {};
    if (fstat(fd, &status) != 0)
        return {Fd(), errno};
    if (status.st_dev != expected.device || status.st_ino != expected.inode)
        return {Fd(), kReplaced};
    return {std::move(opened), 0};
}

std::string reasonText(int error) {
    if (error == kReplaced)
        return "replaced while being scanned";
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

} // namespace scanner
