#include "netware/ldap/UsageScan.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace nwldap {
namespace {

class Scan {
public:
    explicit Scan(UsageTotals& totals) : totals_(totals) {}

    void run(const std::string& root) {
        struct stat top {};
        if (stat(root.c_str(), &top) != 0 || !S_ISDIR(top.st_mode)) {
            unreadable(root);
            return;
        }
        device_ = top.st_dev;
        count(top);
        pending_.push_back(root);
        bool first = true;
        while (!pending_.empty()) {
            std::string dir = std::move(pending_.back());
            pending_.pop_back();
            readDirectory(dir, first);
            first = false;
        }
    }

private:
    void count(const struct stat& status) { totals_.blocksByOwner[status.st_uid] += status.st_blocks; }

    void unreadable(const std::string& path) {
        if (totals_.firstUnreadable.size() < kReportedPaths)
            totals_.firstUnreadable.push_back(path);
        ++totals_.unreadable;
    }

    // Counts every entry of one directory and queues its subdirectories.
    // Only the volume's own top may be reached through a symbolic link.
    void readDirectory(const std::string& dir, bool top) {
        const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (top ? 0 : O_NOFOLLOW));
        DIR* stream = fd < 0 ? nullptr : fdopendir(fd);
        if (stream == nullptr) {
            if (fd >= 0)
                close(fd);
            unreadable(dir);
            return;
        }
        const std::string prefix = dir.back() == '/' ? dir : dir + "/";
        while (const dirent* entry = readdir(stream)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            struct stat status {};
            if (fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0 || status.st_dev != device_)
                continue;
            const bool directory = S_ISDIR(status.st_mode);
            if (!directory && status.st_nlink > 1 && !linked_.insert(status.st_ino).second)
                continue;
            count(status);
            if (directory)
                pending_.push_back(prefix + name);
        }
        closedir(stream);
    }

    UsageTotals& totals_;
    dev_t device_ = 0;
    std::vector<std::string> pending_;
    std::unordered_set<ino_t> linked_;
};

} // namespace

UsageTotals scanVolume(const std::string& root) {
    UsageTotals totals;
    Scan(totals).run(root);
    return totals;
}

nw::nint32 inUseBlocks(std::uint64_t blocks512) {
    const std::uint64_t blocks = blocks512 / 8 + (blocks512 % 8 != 0 ? 1 : 0);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<nw::nint32>::max());
    return static_cast<nw::nint32>(blocks < kMax ? blocks : kMax);
}

} // namespace nwldap
