#pragma once

// What the workstation and vorlane-scan, the scanner that runs on a file
// server, say to each other over ssh: the request (the volume's path) on the
// scanner's standard input, the answer (progress, then the figures per owner)
// on its standard output. docs/remote-scan.md describes the format.
//
// The answer comes from another machine, so the decoder trusts none of it:
// every line is checked, every number must be written exactly, every count
// is checked against the closing line, and an answer is whole only once that
// line has come and nothing follows it.

#include "scanner/Scan.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace scanner::protocol {

inline constexpr int kVersion = 1;
inline constexpr std::string_view kName = "vorlane-scan";
// Longer than any path the kernel opens (PATH_MAX counts the final NUL).
inline constexpr std::size_t kMaxPathBytes = 4096;
inline constexpr std::size_t kMaxRequestLineBytes = 64;
inline constexpr std::size_t kMaxLineBytes = std::size_t{64} * 1024;
// Far above the accounts of any site, far below what would exhaust the
// workstation's memory: an owner costs it a few hundred bytes at most.
inline constexpr std::size_t kMaxOwners = 1'000'000;
// An account name longer than Linux allows (LOGIN_NAME_MAX) travels as none.
inline constexpr std::size_t kMaxNameBytes = 256;
// A report of an unreadable directory keeps the end of a longer one.
inline constexpr std::size_t kMaxTextBytes = std::size_t{16} * 1024;

struct Owner {
    std::uint64_t blocks = 0; // 512-byte blocks
    std::string name;         // from the server's account database; empty when it has none
    bool operator==(const Owner&) const = default;
};

struct Answer {
    std::uint64_t entries = 0;
    std::uint64_t unreadable = 0;
    std::vector<std::string> firstUnreadable; // at most kReportedPaths, "path: reason"
    std::map<std::uint32_t, Owner> owners;    // by uid
    bool operator==(const Answer&) const = default;
};

// The scanner's first line, which `vorlane-scan --version` prints alone.
std::string versionLine();

// The request for a scan of `path` (at most kMaxPathBytes, no NUL).
std::string encodeRequest(std::string_view path);

// The first line of a request, without its line end: the length of the path
// that follows, or the empty text. Returns what is wrong, or the empty text.
std::string parseRequestLine(std::string_view line, std::size_t& pathBytes);

std::string encodeProgress(std::uint64_t entries);
std::string encodeError(std::string_view reason);
// The figures and the closing line. Texts longer than their limits are cut
// (a report keeps its end, an over-long name is left out), and of the
// reports only the first kReportedPaths go.
std::string encodeAnswer(const Answer& answer);

// Bytes outside the printable ASCII characters, the space and '%' as %XX.
std::string escaped(std::string_view text);

// Reads an answer as it arrives, in pieces of any size.
class AnswerDecoder {
public:
    enum class Status {
        Reading,      // more is to come
        Done,         // a whole answer has come, and so far nothing after it
        ScannerError, // the scanner reported that it could not scan; problem() says why
        WrongVersion, // the scanner speaks another version; problem() says which
        Garbled,      // the answer broke a rule or broke off; problem() says how
    };

    explicit AnswerDecoder(std::function<void(std::uint64_t entries)> progress = {}) : progress_(std::move(progress)) {}

    Status feed(std::string_view bytes);
    // The end of the answer.
    Status finish();

    Status status() const { return status_; }
    bool started() const { return stage_ != Stage::Version; }
    const std::string& problem() const { return problem_; }
    // Whole only when status() is Done.
    const Answer& answer() const { return answer_; }

private:
    enum class Stage { Version, Progress, Reports, Owners, Closed };

    void line(std::string_view text);
    void figures(const std::vector<std::string_view>& fields);
    void closing(const std::vector<std::string_view>& fields);
    void garbled(std::string problem);

    std::function<void(std::uint64_t)> progress_;
    Status status_ = Status::Reading;
    Stage stage_ = Stage::Version;
    std::string pending_;
    std::string problem_;
    std::size_t lines_ = 0;
    Answer answer_;
};

} // namespace scanner::protocol
