#include "scanner/Scan.h"

#include "scanner/Directory.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <thread>
#include <unordered_set>

namespace scanner {
namespace {

constexpr unsigned kMaxThreads = 64;
// Far below what a real volume needs, and shallow enough that a chain of
// Node records (freed one inside the other) never exhausts a thread's stack.
constexpr unsigned kMaxDepth = 4096;
constexpr std::size_t kListBytes = std::size_t{64} * 1024;
constexpr unsigned kStatMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_UID | STATX_INO | STATX_BLOCKS | STATX_MNT_ID;

// A directory found, remembered only for the path of a report, so that the
// walk keeps no full path of its own.
struct Node {
    std::shared_ptr<const Node> parent;
    std::string name;
};

std::string pathOf(const Node& node) {
    std::vector<const Node*> chain;
    for (const Node* at = &node; at != nullptr; at = at->parent.get())
        chain.push_back(at);
    std::string path = chain.back()->name;
    for (auto at = chain.rbegin() + 1; at != chain.rend(); ++at) {
        if (path.empty() || path.back() != '/')
            path += '/';
        path += (*at)->name;
    }
    return path;
}

// A directory waiting to be read. It holds its parent's descriptor, which
// closes once the last waiting child has been opened; as the newest work is
// taken first, a worker holds about one descriptor per level at most.
struct Work {
    std::shared_ptr<const Node> node;
    std::shared_ptr<const Fd> parent; // none for the top, opened by its path
    FileId id;
    unsigned depth = 0;
};

// What one worker counted. Only `entries` is read while the walk runs, by the
// watching thread.
struct alignas(64) Tally {
    std::unordered_map<std::uint32_t, std::uint64_t> blocks;
    std::uint64_t counted = 0;
    std::atomic<std::uint64_t> entries{0};

    void publish() { entries.store(counted, std::memory_order_relaxed); }
};

// What a worker reads a directory into, kept from one directory to the next.
struct Scratch {
    std::vector<char> buffer = std::vector<char>(kListBytes);
    std::vector<const dirent64*> batch;
};

unsigned workerCount(unsigned asked) {
    const unsigned threads = asked != 0 ? asked : std::thread::hardware_concurrency();
    return std::clamp(threads, 1u, kMaxThreads);
}

// Half the descriptors stay with the program around the walk; of the rest
// each worker holds at most about one per level, plus the one it reads.
unsigned depthCap(unsigned threads) {
    rlimit limit{};
    rlim_t open = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    open = std::min<rlim_t>(open, rlim_t{1} << 20);
    return std::clamp(static_cast<unsigned>(open / 2 / (threads + 1)), 8u, kMaxDepth);
}

class Walk {
public:
    explicit Walk(unsigned depthCap) : depthCap_(depthCap) {}

    bool start(const std::string& root, Tally& tally);
    void work(Tally& tally);
    bool waitFor(std::chrono::milliseconds interval);
    void stop();
    void unreadable(const std::string& path, const std::string& reason);
    void collect(std::vector<Tally>& tallies, ScanTotals& totals);

private:
    bool take(Work& work);
    void done();
    void push(Work work);
    void read(Work& work, Tally& tally, Scratch& scratch);
    int list(const std::shared_ptr<const Fd>& dir, const Work& work, Tally& tally, Scratch& scratch);
    void count(const struct statx& status, const char* name, const std::shared_ptr<const Fd>& dir, const Work& work,
               Tally& tally);
    bool mountPoint(const struct statx& status) const;
    bool firstLink(std::uint64_t inode);

    const unsigned depthCap_;
    dev_t device_ = 0;
    bool knowMount_ = false;
    std::uint64_t mount_ = 0;
    std::atomic<bool> stop_{false};

    std::mutex mutex_; // guards the queue, busy_ and finished_, which both conditions wait on
    std::condition_variable workers_;
    std::condition_variable watcher_;
    std::vector<Work> waiting_;
    unsigned busy_ = 0;
    bool finished_ = false;

    std::mutex linksMutex_;
    std::unordered_set<std::uint64_t> links_;
    std::mutex reportMutex_;
    std::uint64_t unreadable_ = 0;
    std::vector<std::string> reported_;
};

bool Walk::start(const std::string& root, Tally& tally) {
    struct statx status {};
    const int error = statx(AT_FDCWD, root.c_str(), 0, kStatMask, &status) != 0 ? errno
                      : S_ISDIR(status.stx_mode)                                ? 0
                                                                                : ENOTDIR;
    if (error != 0) {
        unreadable(root, reasonText(error));
        return false;
    }
    device_ = makedev(status.stx_dev_major, status.stx_dev_minor);
    knowMount_ = (status.stx_mask & STATX_MNT_ID) != 0;
    mount_ = status.stx_mnt_id;
    tally.blocks[status.stx_uid] += status.stx_blocks;
    ++tally.counted;
    tally.publish();
    waiting_.push_back(Work{std::make_shared<const Node>(Node{nullptr, root}), nullptr,
                            FileId{device_, static_cast<ino_t>(status.stx_ino)}, 0});
    return true;
}

void Walk::work(Tally& tally) {
    Scratch scratch;
    Work work;
    while (take(work)) {
        read(work, tally, scratch);
        work = Work{};
        done();
    }
}

bool Walk::take(Work& work) {
    std::unique_lock lock(mutex_);
    workers_.wait(lock, [this] { return stop_ || !waiting_.empty() || busy_ == 0; });
    if (stop_ || waiting_.empty())
        return false;
    work = std::move(waiting_.back());
    waiting_.pop_back();
    ++busy_;
    return true;
}

void Walk::done() {
    const std::lock_guard lock(mutex_);
    if (--busy_ == 0 && waiting_.empty()) {
        finished_ = true;
        workers_.notify_all();
        watcher_.notify_all();
    }
}

void Walk::push(Work work) {
    {
        const std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(work));
    }
    workers_.notify_one();
}

bool Walk::waitFor(std::chrono::milliseconds interval) {
    std::unique_lock lock(mutex_);
    return watcher_.wait_for(lock, interval, [this] { return finished_; });
}

void Walk::stop() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    workers_.notify_all();
}

void Walk::read(Work& work, Tally& tally, Scratch& scratch) {
    Opened opened = work.parent ? openDirectory(work.parent->get(), work.node->name.c_str(), work.id)
                                : openDirectory(AT_FDCWD, work.node->name.c_str(), work.id, true);
    work.parent.reset();
    if (!opened.fd) {
        if (opened.error != ENOENT) // a directory removed since it was counted holds nothing more
            unreadable(pathOf(*work.node), reasonText(opened.error));
        return;
    }
    const auto dir = std::make_shared<const Fd>(std::move(opened.fd));
    if (const int error = list(dir, work, tally, scratch); error != 0)
        unreadable(pathOf(*work.node), reasonText(error));
    tally.publish();
}

// Counts every entry of an open directory and queues its subdirectories;
// gives the first error met, or 0. A failed read is an error, never the end.
int Walk::list(const std::shared_ptr<const Fd>& dir, const Work& work, Tally& tally, Scratch& scratch) {
    int error = 0;
    for (;;) {
        const ssize_t size = getdents64(dir->get(), scratch.buffer.data(), scratch.buffer.size());
        if (size < 0 && errno == EINTR)
            continue;
        if (size <= 0)
            return size < 0 ? errno : error;
        scratch.batch.clear();
        for (ssize_t at = 0; at < size;) {
            const auto* entry = reinterpret_cast<const dirent64*>(scratch.buffer.data() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] != '.' || (name[1] != '\0' && (name[1] != '.' || name[2] != '\0')))
                scratch.batch.push_back(entry);
        }
        // On a cold disk, inodes asked for in the order of their numbers are
        // read from the inode table in order rather than by seeking about.
        std::sort(scratch.batch.begin(), scratch.batch.end(),
                  [](const dirent64* a, const dirent64* b) { return a->d_ino < b->d_ino; });
        for (const dirent64* entry : scratch.batch) {
            if (stop_.load(std::memory_order_relaxed))
                return 0;
            struct statx status {};
            if (statx(dir->get(), entry->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatMask, &status) == 0)
                count(status, entry->d_name, dir, work, tally);
            else if (errno != ENOENT && error == 0) // an entry that went meanwhile is no loss
                error = errno;
        }
    }
}

void Walk::count(const struct statx& status, const char* name, const std::shared_ptr<const Fd>& dir, const Work& work,
                 Tally& tally) {
    if (makedev(status.stx_dev_major, status.stx_dev_minor) != device_)
        return; // another file system, which du -x neither counts nor enters
    const bool directory = S_ISDIR(status.stx_mode);
    if (directory && mountPoint(status))
        return; // its files belong to another mount, or are these again (a bind mount of the tree)
    if (!directory && status.stx_nlink > 1 && !firstLink(status.stx_ino))
        return;
    tally.blocks[status.stx_uid] += status.stx_blocks;
    if ((++tally.counted & 255) == 0)
        tally.publish();
    if (!directory)
        return;
    auto node = std::make_shared<const Node>(Node{work.node, name});
    if (work.depth >= depthCap_) {
        unreadable(pathOf(*node), "deeper than " + std::to_string(depthCap_) + " levels");
        return;
    }
    push(Work{std::move(node), dir, FileId{device_, static_cast<ino_t>(status.stx_ino)}, work.depth + 1});
}

bool Walk::mountPoint(const struct statx& status) const {
    if ((status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return knowMount_ && (status.stx_mask & STATX_MNT_ID) != 0 && status.stx_mnt_id != mount_;
}

// Only files with several links are remembered, so memory stays small on a
// volume of millions of files; all of them are on the top's device.
bool Walk::firstLink(std::uint64_t inode) {
    const std::lock_guard lock(linksMutex_);
    return links_.insert(inode).second;
}

void Walk::unreadable(const std::string& path, const std::string& reason) {
    const std::lock_guard lock(reportMutex_);
    if (reported_.size() < kReportedPaths)
        reported_.push_back(path + ": " + reason);
    ++unreadable_;
}

void Walk::collect(std::vector<Tally>& tallies, ScanTotals& totals) {
    for (Tally& tally : tallies) {
        for (const auto& [owner, blocks] : tally.blocks)
            totals.blocksByOwner[owner] += blocks;
        totals.entries += tally.counted;
    }
    totals.unreadable = unreadable_;
    totals.firstUnreadable = std::move(reported_);
}

// The workers of one walk, stopped and joined however the walk ends.
class Crew {
public:
    explicit Crew(Walk& walk, std::size_t size) : walk_(walk) { threads_.reserve(size); }
    Crew(const Crew&) = delete;
    Crew& operator=(const Crew&) = delete;
    ~Crew() {
        walk_.stop();
        for (std::thread& thread : threads_)
            thread.join();
    }

    void add(Tally& tally) {
        try {
            threads_.emplace_back([this, &tally] { walk_.work(tally); });
        } catch (const std::system_error&) {
            // Fewer workers only make the walk slower.
        }
    }
    bool empty() const { return threads_.empty(); }

private:
    Walk& walk_;
    std::vector<std::thread> threads_;
};

void watch(Walk& walk, const ScanControl& control, const std::vector<Tally>& tallies, ScanTotals& totals) {
    const auto interval = std::max(control.pollInterval, std::chrono::milliseconds(1));
    while (!walk.waitFor(interval)) {
        if (control.cancelled && control.cancelled()) {
            totals.cancelled = true;
            return;
        }
        std::uint64_t entries = 0;
        for (const Tally& tally : tallies)
            entries += tally.entries.load(std::memory_order_relaxed);
        if (control.progress)
            control.progress(entries);
    }
}

} // namespace

ScanTotals scanTree(const std::string& root, const ScanControl& control) {
    const unsigned threads = workerCount(control.threads);
    std::vector<Tally> tallies(threads);
    Walk walk(depthCap(threads));
    ScanTotals totals;
    if (walk.start(root, tallies[0])) {
        Crew crew(walk, threads);
        for (Tally& tally : tallies)
            crew.add(tally);
        if (crew.empty())
            walk.unreadable(root, "no thread could be started to read it");
        else
            watch(walk, control, tallies, totals);
    }
    walk.collect(tallies, totals);
    return totals;
}

} // namespace scanner
