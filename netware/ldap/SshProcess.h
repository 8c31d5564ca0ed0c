#pragma once

// One run of the OpenSSH client as a child process: started from an argument
// vector (no shell on this side), in a session of its own so that no prompt
// can reach a terminal and the whole group can be ended, with its standard
// input, output and error connected to this process. Whatever happens, the
// object's end leaves no process and no descriptor behind.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace nwldap {

class SshProcess {
public:
    // What ended a run of pump().
    enum class Ended { Outputs, Cancelled, Refused };
    static constexpr int kNoStatus = -1; // killed, or ended by a signal

    SshProcess() = default;
    ~SshProcess();
    SshProcess(const SshProcess&) = delete;
    SshProcess& operator=(const SshProcess&) = delete;

    // Starts argv[0], looked up on PATH. Returns the empty text or why not.
    std::string start(const std::vector<std::string>& argv);

    // Writes to the child's standard input; false once it has gone.
    bool send(std::string_view bytes);
    void closeInput();

    // Hands over the child's output as it comes, keeping (the start of) its
    // standard error, until both have ended, `cancelled` says so (asked at
    // least every 50 ms) or `output` refuses what it got.
    Ended pump(const std::function<bool()>& cancelled, const std::function<bool(std::string_view)>& output);

    // After the outputs have ended: the child's exit status, waiting for it
    // at most `grace` (and while `cancelled` says no) before ending it.
    int wait(const std::function<bool()>& cancelled, std::chrono::milliseconds grace);

    // Closes its input, gives it a moment to end on its own, then ends the
    // group (SIGTERM, then SIGKILL), and reaps it. At most about half a second.
    void stop();

    const std::string& errorOutput() const { return error_; }
    pid_t pid() const { return pid_; }

private:
    bool reapWithin(std::chrono::milliseconds limit, const std::function<bool()>& cancelled = {});
    void closeAll();

    pid_t pid_ = -1;
    int status_ = kNoStatus;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::string error_;
};

} // namespace nwldap
