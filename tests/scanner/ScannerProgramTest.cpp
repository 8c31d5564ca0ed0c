// vorlane-scan as a program: the end of its input stops a scan under way
// promptly, while its output is still open (so that nothing but the end of
// the input can stop it).

#include "scanner/Protocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ScannerProgram, TheEndOfItsInputStopsAScanUnderWay) {
    int input[2];
    int output[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(pipe(output), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        close(input[1]);
        close(output[0]);
        execl(VORLANE_SCAN_PROGRAM, VORLANE_SCAN_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    const std::string request = scanner::protocol::encodeRequest("/usr");
    ASSERT_EQ(write(input[1], request.data(), request.size()), static_cast<ssize_t>(request.size()));
    // The first progress line comes once the scan has run about 100 ms.
    std::string said;
    char chunk[4096];
    for (ssize_t got;
         said.find("\nprogress ") == std::string::npos && (got = read(output[0], chunk, sizeof chunk)) > 0;)
        said.append(chunk, static_cast<std::size_t>(got));
    const auto closed = std::chrono::steady_clock::now();
    close(input[1]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_LT(std::chrono::steady_clock::now() - closed, std::chrono::milliseconds(500));
    for (ssize_t got; (got = read(output[0], chunk, sizeof chunk)) > 0;)
        said.append(chunk, static_cast<std::size_t>(got));
    close(output[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(said.find("\nerror stopped:%20the%20request's%20input%20ended\n"), std::string::npos) << said;
}

} // namespace
