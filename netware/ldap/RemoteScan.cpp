#include "netware/ldap/RemoteScan.h"

#include "netware/ldap/Report.h"
#include "netware/ldap/SshProcess.h"

#include <algorithm>
#include <array>

namespace nwldap {
namespace {

namespace protocol = scanner::protocol;
using Status = protocol::AnswerDecoder::Status;

// After the answer, ssh only has to take the connection down.
constexpr std::chrono::milliseconds kExitGrace{2000};
// ssh's own errors end it with this status; a scanner never uses it.
constexpr int kSshError = 255;

// How one run of ssh went.
struct Exchange {
    SshProcess::Ended ended = SshProcess::Ended::Outputs;
    int status = SshProcess::kNoStatus;
    std::string errors; // ssh's standard error, the start of it
    std::string startFailure;
};

Exchange exchange(const SshTarget& target, const std::string& command, std::string_view input,
                  const IsCancelled& cancelled, const std::function<bool(std::string_view)>& output) {
    Exchange result;
    SshProcess ssh;
    result.startFailure = ssh.start(sshArguments(target, command));
    if (!result.startFailure.empty())
        return result;
    // The input stays open during a scan: its end would tell the scanner to stop.
    if (input.empty() || !ssh.send(input))
        ssh.closeInput();
    result.ended = ssh.pump(cancelled, output);
    if (result.ended == SshProcess::Ended::Outputs) {
        result.status = ssh.wait(cancelled, kExitGrace);
        if (result.status == SshProcess::kNoStatus && cancelled && cancelled())
            result.ended = SshProcess::Ended::Cancelled;
    }
    ssh.stop();
    result.errors = ssh.errorOutput();
    return result;
}

bool holds(const std::string& text, std::initializer_list<std::string_view> phrases) {
    return std::any_of(phrases.begin(), phrases.end(),
                       [&text](std::string_view phrase) { return text.find(phrase) != std::string::npos; });
}

// What ssh's own words say went wrong.
RemoteFailure sshFailure(const std::string& errors, bool answerStarted) {
    if (holds(errors, {"Host key verification failed", "host key is known", "IDENTIFICATION HAS CHANGED"}))
        return RemoteFailure::UnknownHostKey;
    if (holds(errors, {"Permission denied", "Too many authentication failures"}))
        return RemoteFailure::AuthenticationRefused;
    if (holds(errors, {"timed out", "Timeout, server", "not responding"}))
        return RemoteFailure::TimedOut;
    if (holds(errors, {"Connection refused", "No route to host", "Network is unreachable", "Could not resolve hostname",
                       "Name or service not known"}))
        return RemoteFailure::Refused;
    return answerStarted ? RemoteFailure::BrokenOff : RemoteFailure::SshFailed;
}

// The last few lines ssh wrote, as a terminal may show them.
std::string sshSaid(const std::string& errors) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < errors.size();) {
        const std::size_t end = std::min(errors.find('\n', start), errors.size());
        std::string line = errors.substr(start, end - start);
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        if (line.find_first_not_of(' ') != std::string::npos)
            lines.push_back(printable(line));
        start = end + 1;
    }
    std::string said;
    for (std::size_t i = lines.size() > 3 ? lines.size() - 3 : 0; i < lines.size(); ++i)
        said += (said.empty() ? "" : " / ") + lines[i];
    return said;
}

RemoteResult failed(const SshTarget& target, RemoteFailure failure, const std::string& detail,
                    const std::string& errors) {
    std::string message = "ssh " + printable(target.destination) + ": " + std::string(failureText(failure));
    if (!detail.empty())
        message += ": " + printable(detail);
    if (const std::string said = sshSaid(errors); !said.empty())
        message += " (ssh: " + said + ")";
    return {failure, std::move(message), {}};
}

// The failure of a run whose answer was not taken whole.
RemoteResult classify(const SshTarget& target, const Exchange& run, const protocol::AnswerDecoder& decoder) {
    if (!run.startFailure.empty())
        return failed(target, RemoteFailure::SshFailed, "ssh cannot be started: " + run.startFailure, "");
    if (run.ended == SshProcess::Ended::Cancelled)
        return failed(target, RemoteFailure::Cancelled, "", "");
    if (decoder.status() == Status::ScannerError || decoder.status() == Status::WrongVersion)
        return failed(target, RemoteFailure::ScannerFailed, decoder.problem(), run.errors);
    if (run.status == kSshError)
        return failed(target, sshFailure(run.errors, decoder.started()), "", run.errors);
    if (!decoder.started() && (run.status == 126 || run.status == 127))
        return failed(target, RemoteFailure::ScannerMissing, "", run.errors);
    const std::string detail =
        decoder.status() == Status::Garbled
            ? decoder.problem()
            : "the scanner ended with status " +
                  (run.status == SshProcess::kNoStatus ? std::string("unknown") : std::to_string(run.status));
    return failed(target, RemoteFailure::BrokenOff, detail, run.errors);
}

} // namespace

std::string_view failureText(RemoteFailure failure) {
    static constexpr std::array<std::string_view, 10> kTexts = {
        "",
        "the server cannot be reached",
        "the server's host key is not known (or not the one known)",
        "the server accepted none of the user's keys",
        "the server did not answer in time",
        "the scanner (vorlane-scan) is missing on the server, or cannot be run there",
        "the scanner could not scan",
        "the scanner's answer broke off",
        "cancelled",
        "ssh failed",
    };
    return kTexts.at(static_cast<std::size_t>(failure));
}

std::string quotedForShell(std::string_view text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::vector<std::string> sshArguments(const SshTarget& target, const std::string& remoteCommand) {
    std::vector<std::string> args = {"ssh"};
    if (!target.configFile.empty())
        args.insert(args.end(), {"-F", target.configFile});
    // No prompt, only known host keys, no forwarding of anything the user's
    // configuration may ask for, and a connection that gives up on silence.
    for (const std::string& option :
         {std::string("BatchMode=yes"), std::string("StrictHostKeyChecking=yes"),
          "ConnectTimeout=" + std::to_string(target.connectTimeoutSeconds),
          "ServerAliveInterval=" + std::to_string(target.aliveIntervalSeconds), std::string("ServerAliveCountMax=3"),
          std::string("ClearAllForwardings=yes"), std::string("ForwardAgent=no"), std::string("ForwardX11=no"),
          std::string("PermitLocalCommand=no")})
        args.insert(args.end(), {"-o", option});
    args.insert(args.end(), {"-T", "--", target.destination, remoteCommand});
    return args;
}

RemoteResult probeScanner(const SshTarget& target, const IsCancelled& cancelled) {
    std::string said;
    protocol::AnswerDecoder decoder;
    const Exchange run =
        exchange(target, quotedForShell(target.scanner) + " --version", {}, cancelled,
                 [&said, &decoder](std::string_view bytes) {
                     said.append(bytes);
                     return decoder.feed(bytes) == Status::Reading && said.size() <= protocol::kMaxLineBytes;
                 });
    const bool ran = run.startFailure.empty() && run.ended == SshProcess::Ended::Outputs && run.status == 0;
    if (ran && said == protocol::versionLine())
        return {};
    if (ran && decoder.status() != Status::WrongVersion)
        return failed(target, RemoteFailure::BrokenOff, "its answer to --version is not the version line", "");
    decoder.finish();
    return classify(target, run, decoder);
}

RemoteResult scanOverSsh(const SshTarget& target, const std::string& path, const IsCancelled& cancelled,
                         const ScanProgress& progress) {
    if (path.empty() || path.size() > protocol::kMaxPathBytes || path.find('\0') != std::string::npos)
        return failed(target, RemoteFailure::ScannerFailed, "the path is empty, too long or holds a NUL byte", "");
    protocol::AnswerDecoder decoder(progress);
    const Exchange run = exchange(target, quotedForShell(target.scanner), protocol::encodeRequest(path), cancelled,
                                  [&decoder](std::string_view bytes) {
                                      const Status status = decoder.feed(bytes);
                                      return status == Status::Reading || status == Status::Done;
                                  });
    if (run.startFailure.empty() && run.ended == SshProcess::Ended::Outputs)
        decoder.finish();
    if (run.ended == SshProcess::Ended::Outputs && run.status == 0 && decoder.status() == Status::Done)
        return {RemoteFailure::None, {}, decoder.answer()};
    return classify(target, run, decoder);
}

} // namespace nwldap
