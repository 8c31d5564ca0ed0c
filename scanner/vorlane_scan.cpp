// vorlane-scan: the scan of one volume, run on the file server itself (over
// ssh) so that its figures need no network file system. It reads the request
// from standard input, writes the answer on standard output
// (docs/remote-scan.md), and stops as soon as its standard input ends, which
// is how the workstation cancels.
//
// SIGPIPE keeps its default action on purpose: once the workstation has gone,
// a write to it ends the scan, which is what should happen.

#include "scanner/Protocol.h"
#include "scanner/Scan.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace protocol = scanner::protocol;

bool writeAll(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

int fail(std::string_view reason) {
    writeAll(protocol::encodeError(reason));
    return 1;
}

// Reads exactly `size` bytes; false if the input ends or fails first.
bool readExactly(char* into, std::size_t size) {
    while (size > 0) {
        const ssize_t got = read(STDIN_FILENO, into, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// The request's path, or what is wrong with the request. The first line is
// read a byte at a time so that nothing of the path is read with it.
std::string readRequest(std::string& path) {
    std::string line;
    char c = 0;
    while (readExactly(&c, 1) && c != '\n') {
        if (line.size() == protocol::kMaxRequestLineBytes)
            return "the request's first line is too long";
        line += c;
    }
    if (c != '\n')
        return "the request ended before its first line did";
    std::size_t size = 0;
    if (std::string error = protocol::parseRequestLine(line, size); !error.empty())
        return error;
    path.assign(size, '\0');
    if (!readExactly(path.data(), size))
        return "the request ended before its path did";
    if (path.find('\0') != std::string::npos)
        return "the request's path holds a NUL byte";
    return {};
}

// Whether standard input has ended (or failed). Whatever else arrives on it
// after the request means nothing and is read only to find the end.
bool inputEnded() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    char scratch[4096];
    for (int round = 0; round < 16 && poll(&input, 1, 0) > 0; ++round) {
        const ssize_t got = read(STDIN_FILENO, scratch, sizeof scratch);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
            return true;
    }
    return false;
}

std::string accountName(std::uint32_t uid) {
    std::vector<char> buffer(std::size_t{16} * 1024);
    passwd entry{};
    passwd* found = nullptr;
    int error = 0;
    while ((error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < std::size_t{1024} * 1024)
        buffer.resize(buffer.size() * 2);
    return error == 0 && found != nullptr && found->pw_name != nullptr ? found->pw_name : "";
}

protocol::Answer answerOf(scanner::ScanTotals& totals) {
    protocol::Answer answer;
    answer.entries = totals.entries;
    answer.unreadable = totals.unreadable;
    answer.firstUnreadable = std::move(totals.firstUnreadable);
    for (const auto& [uid, blocks] : totals.blocksByOwner)
        answer.owners[uid] = {blocks, accountName(uid)};
    return answer;
}

int scan(const std::string& path) {
    using Clock = std::chrono::steady_clock;
    auto lastProgress = Clock::now();
    scanner::ScanControl control;
    control.cancelled = inputEnded;
    control.progress = [&lastProgress](std::uint64_t entries) {
        if (Clock::now() - lastProgress < std::chrono::milliseconds(100))
            return;
        lastProgress = Clock::now();
        writeAll(protocol::encodeProgress(entries));
    };
    scanner::ScanTotals totals = scanner::scanTree(path, control);
    if (totals.cancelled)
        return fail("stopped: the request's input ended");
    return writeAll(protocol::encodeAnswer(answerOf(totals))) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return writeAll(protocol::versionLine()) ? 0 : 1;
    if (argc != 1) {
        std::fputs("usage: vorlane-scan [--version]\n"
                   "Reads a request on standard input and answers on standard output; Vorlane runs it over ssh.\n",
                   stderr);
        return 2;
    }
    if (!writeAll(protocol::versionLine()))
        return 1;
    std::string path;
    if (std::string error = readRequest(path); !error.empty())
        return fail(error);
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return fail(path + ": " + std::strerror(errno));
    if (!S_ISDIR(status.st_mode))
        return fail(path + ": " + std::strerror(ENOTDIR));
    return scan(path);
}
