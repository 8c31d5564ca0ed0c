#pragma once

// The scan of a volume on a file server reached over SSH: the user's own
// OpenSSH client (ssh on PATH, with the user's keys, agent and known hosts)
// runs vorlane-scan there and brings its answer back (docs/remote-scan.md).
// ssh never prompts: a password or a host key it does not know is a
// refusal. Every call returns within about a second of a cancel, and leaves
// no process or descriptor behind.

#include "scanner/Protocol.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nwldap {

struct SshTarget {
    std::string destination;              // as ssh takes it: host, user@host or ssh://user@host:port
    std::string scanner = "vorlane-scan"; // its path on the server, or a name found on the server's PATH
    std::string configFile;               // ssh's -F; empty: the user's own configuration
    int connectTimeoutSeconds = 20;       // to connect and to exchange the greeting
    int aliveIntervalSeconds = 15;        // a silent server is given up after three of these
};

enum class RemoteFailure {
    None,
    Refused,               // no connection: refused, no route, no such host
    UnknownHostKey,        // the server's host key is not known, or not the one known
    AuthenticationRefused, // none of the user's keys was accepted
    TimedOut,              // no connection, or no sign of life, within the time allowed
    ScannerMissing,        // the scanner is not on the server, or cannot be run there
    ScannerFailed,         // it ran but could not scan (its reason), or speaks another version
    BrokenOff,             // the answer ended, or turned to garbage, before its closing line
    Cancelled,
    SshFailed, // ssh could not be started, or failed in another way
};

struct RemoteResult {
    RemoteFailure failure = RemoteFailure::None;
    // For standard error when something failed: what, and ssh's own words,
    // every outside byte made printable. One line.
    std::string message;
    scanner::protocol::Answer answer; // a scan's whole answer when nothing failed
};

using IsCancelled = std::function<bool()>;
using ScanProgress = std::function<void(std::uint64_t entries)>;

// Runs `<scanner> --version` there: the server answers, its host key is
// known, a key is accepted and the scanner speaks this program's version.
RemoteResult probeScanner(const SshTarget& target, const IsCancelled& cancelled);

// Scans `path` there (an absolute path of at most 4096 bytes, no NUL, which
// travels on the scanner's input and is never seen by a shell). `progress`
// hears of each progress line, on the calling thread.
RemoteResult scanOverSsh(const SshTarget& target, const std::string& path, const IsCancelled& cancelled,
                         const ScanProgress& progress);

// What a failure means, in words (for RemoteFailure::None, the empty text).
std::string_view failureText(RemoteFailure failure);

// The text in single quotes for a POSIX shell, a quote in it as '\''.
std::string quotedForShell(std::string_view text);

// ssh's full argument vector for running `remoteCommand` on the target.
std::vector<std::string> sshArguments(const SshTarget& target, const std::string& remoteCommand);

} // namespace nwldap
