#include "netware/ldap/SshProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace nwldap {
namespace {

constexpr std::size_t kKeptErrorBytes = std::size_t{16} * 1024;

void closeFd(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// The spawn's settings, freed however start() ends.
struct Spawn {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    Spawn() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~Spawn() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;
};

// The child starts with no signal blocked and the usual actions for those a
// program like ours may ignore or catch, in a session of its own: no
// terminal for a prompt, and a process group that stop() can end whole
// (ssh may have started a proxy command).
void prepare(Spawn& spawn, int input, int output, int errors) {
    posix_spawn_file_actions_adddup2(&spawn.actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, errors, STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions, STDERR_FILENO + 1);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&spawn.attributes, &none);
    posix_spawnattr_setsigdefault(&spawn.attributes, &defaults);
    posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

} // namespace

SshProcess::~SshProcess() {
    stop();
}

std::string SshProcess::start(const std::vector<std::string>& argv) {
    // Its input is a socket rather than a pipe so that a write after it has
    // gone fails with EPIPE instead of raising SIGPIPE in this process.
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, input) != 0 || pipe2(output, O_CLOEXEC) != 0 ||
        pipe2(errors, O_CLOEXEC) != 0) {
        std::string reason = std::strerror(errno);
        for (int* fd : {&input[0], &input[1], &output[0], &output[1], &errors[0], &errors[1]})
            closeFd(*fd);
        return reason;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    Spawn spawn;
    prepare(spawn, input[1], output[1], errors[1]);
    const int error = posix_spawnp(&pid_, args[0], &spawn.actions, &spawn.attributes, args.data(), environ);
    for (int* fd : {&input[1], &output[1], &errors[1]})
        closeFd(*fd);
    input_ = input[0];
    output_ = output[0];
    errors_ = errors[0];
    if (error == 0)
        return {};
    pid_ = -1;
    closeAll();
    return std::strerror(error);
}

bool SshProcess::send(std::string_view bytes) {
    while (!bytes.empty() && input_ >= 0) {
        const ssize_t sent = ::send(input_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return bytes.empty();
}

void SshProcess::closeInput() {
    closeFd(input_);
}

SshProcess::Ended SshProcess::pump(const std::function<bool()>& cancelled,
                                   const std::function<bool(std::string_view)>& output) {
    std::string chunk(std::size_t{64} * 1024, '\0');
    while (output_ >= 0 || errors_ >= 0) {
        if (cancelled && cancelled())
            return Ended::Cancelled;
        pollfd fds[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
        if (poll(fds, 2, 50) < 0 && errno != EINTR)
            return Ended::Outputs;
        for (pollfd& fd : fds) {
            if (fd.fd < 0 || (fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            const ssize_t got = read(fd.fd, chunk.data(), chunk.size());
            if (got < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            const std::string_view bytes(chunk.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
            if (got <= 0)
                closeFd(fd.fd == output_ ? output_ : errors_);
            else if (fd.fd == errors_)
                error_.append(bytes.substr(0, kKeptErrorBytes - std::min(error_.size(), kKeptErrorBytes)));
            else if (!output(bytes))
                return Ended::Refused;
        }
    }
    return Ended::Outputs;
}

int SshProcess::wait(const std::function<bool()>& cancelled, std::chrono::milliseconds grace) {
    if (!reapWithin(grace, cancelled))
        stop();
    return status_;
}

bool SshProcess::reapWithin(std::chrono::milliseconds limit, const std::function<bool()>& cancelled) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t reaped = waitpid(pid_, &status, WNOHANG);
        if (reaped == pid_ || (reaped < 0 && errno == ECHILD)) {
            status_ = reaped == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : kNoStatus;
            pid_ = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline || (cancelled && cancelled()))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void SshProcess::stop() {
    closeInput();
    if (pid_ > 0 && !reapWithin(std::chrono::milliseconds(200))) {
        kill(-pid_, SIGTERM);
        if (!reapWithin(std::chrono::milliseconds(300))) {
            kill(-pid_, SIGKILL);
            int status = 0;
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            pid_ = -1;
            status_ = kNoStatus;
        }
    }
    closeAll();
}

void SshProcess::closeAll() {
    for (int* fd : {&input_, &output_, &errors_})
        closeFd(*fd);
}

} // namespace nwldap
