// Start-up to the window shown, on the built-in sample network, against the
// bare window with the same controls. Both open the workstation's client
// first, as the program does before its window exists: what the client
// costs to open is the client's (here the stand-in reading its network),
// just as the floor of a listing makes the client's calls too. Measured
// twice: inside this process, where the toolkit is up already and only the
// start of the window counts, and as whole program runs, from launch to the
// window on the screen.

#include "bench/BareWindow.h"
#include "bench/Fixtures.h"
#include "bench/Suite.h"

#include "netware/ClientFactory.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

extern char** environ;

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

void waitShown(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the window did not show");
    // Whatever the first expose left queued (the first paint) is part of
    // being shown.
    QCoreApplication::processEvents();
}

std::unique_ptr<nw::Client> openedClient() {
    nw::OpenedClient opening = nw::openClient();
    if (!opening)
        throw std::runtime_error(opening.error());
    return std::move(*opening);
}

// What main() does, up to the window on the screen.
struct StartedTool {
    std::unique_ptr<nw::Client> client;
    QuietUser user;
    std::unique_ptr<vorlane::MainWindow> window;
};

std::unique_ptr<StartedTool> startTool() {
    auto started = std::make_unique<StartedTool>();
    started->client = openedClient();
    started->window = std::make_unique<vorlane::MainWindow>(*started->client, started->user);
    started->window->Form_Load();
    waitShown(*started->window);
    return started;
}

struct StartedBare {
    std::unique_ptr<nw::Client> client;
    std::unique_ptr<BareWindow> window;
};

std::unique_ptr<StartedBare> startBare() {
    auto started = std::make_unique<StartedBare>();
    started->client = openedClient();
    started->window = std::make_unique<BareWindow>();
    waitShown(*started->window);
    return started;
}

template <typename Start> void inProcess(benchmark::State& state, Start start) {
    for (auto _ : state) {
        const auto begin = Clock::now();
        const auto shown = start();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
        // Closing the window is no part of start-up; it happens here, untimed.
    }
}

double runChild(const char* self, const char* which) {
    std::string flag("--startup-child=");
    flag.append(which);
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(flag.c_str()), nullptr};
    const auto begin = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, self, nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

void wholeProgram(benchmark::State& state, const char* self, bool tool) {
    for (auto _ : state) {
        const double seconds = runChild(self, tool ? "tool" : "bare");
        if (seconds < 0) {
            state.SkipWithError("the child program failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

} // namespace

void startupChild(int argc, char** argv, const std::string& which) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    // Launch to shown is what is measured: the program ends there, with the
    // window still up, so that no teardown is counted.
    if (which == "tool") {
        const auto shown = startTool();
        std::_Exit(0);
    }
    const auto shown = startBare();
    std::_Exit(0);
}

std::vector<Pair> startupPairs(const SuiteOptions& options) {
    const char* self = options.self;
    return {
        {"Startup", "sample", [](benchmark::State& state) { inProcess(state, &startTool); },
         [](benchmark::State& state) { inProcess(state, &startBare); }, true},
        {"StartupProgram", "sample", [self](benchmark::State& state) { wholeProgram(state, self, true); },
         [self](benchmark::State& state) { wholeProgram(state, self, false); }, true, 3},
    };
}

} // namespace bench
