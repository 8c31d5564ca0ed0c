#include "session/Startup.h"
#include "session/ServerConnection.h"

#include "support/FaultSweep.h"
#include "support/MockClient.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testing::_;
using testing::Return;
using testing_support::FakeUserChannel;
using testing_support::MockClient;

// Start-up against a client that succeeds at everything and writes
// `context_` as the default context, byte for byte.
class Startup : public testing::Test {
protected:
    Startup() {
        ON_CALL(client_, NWGetDefaultNameContext(nw::kDefaultContextSize, _))
            .WillByDefault([this](nw::nuint32 size, char* out) {
                std::memcpy(out, context_.data(), std::min<std::size_t>(size, context_.size()));
                return nw::kSuccess;
            });
    }
    std::string start() { return vorlane::startClient(client_, user_).defaultContext; }

    testing::NiceMock<MockClient> client_;
    FakeUserChannel user_;
    std::string context_;
};

TEST_F(Startup, TheDefaultContextIsTheTextBeforeItsNulIn8BitCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {std::string("SALES.ACME\0JUNK", 15), "SALES.ACME"},
        {std::string(1, '\0'), ""},
        {std::string(255, 'A') + '\0', std::string(255, 'A')},
        {std::string(256, 'B'), std::string(256, 'B')}, // every byte it was allowed, no NUL
        {std::string("M\xDCLLER.\x80", 9), "M\u00DCLLER.\u20AC"},
    };
    for (const auto& [written, shown] : cases) {
        context_ = written;
        EXPECT_EQ(start(), shown);
    }
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(Startup, EachInitialisationGetsZeroBytesWhateverTheOneBeforeWrote) {
    EXPECT_CALL(client_, NWCallsInit(_, _)).WillOnce([](nw::nuint8* a, nw::nuint8* b) {
        *a = *b = 0xFF;
        return nw::kSuccess;
    });
    EXPECT_CALL(client_, NWNetInit(_, _)).WillOnce([](nw::nuint8* a, nw::nuint8* b) {
        EXPECT_EQ(*a + *b, 0);
        return nw::kSuccess;
    });
    start();
}

TEST_F(Startup, ShutDownEndsTheCallsLibraryFirstThenTheDirectoryLibrary) {
    testing::InSequence order;
    EXPECT_CALL(client_, NWCallsTerm(_)).WillOnce([](nw::nuint8* zero) {
        EXPECT_EQ(*zero, 0);
        *zero = 0xFF;
        return nw::kSuccess;
    });
    EXPECT_CALL(client_, NWNetTerm(_)).WillOnce([](nw::nuint8* zero) {
        EXPECT_EQ(*zero, 0);
        return nw::kSuccess;
    });
    vorlane::stopClient(client_);
}

// Start-up, then a connection to a server by name and a handle on it.
struct ConnectRig {
    explicit ConnectRig(std::string_view network) : sim(testing_support::simulate(network)), client(*sim) {}
    void run() {
        const vorlane::StartupState state = vorlane::startClient(client, user);
        const vorlane::ServerConnection server = vorlane::getSerConnR(client, user, state.defConnH, "FS1");
        const vorlane::ConnectionHandle handle = vorlane::openByRef(client, user, server.ref);
        EXPECT_TRUE(handle.isOpen());
    }
    std::unique_ptr<nwsim::SimClient> sim;
    testing_support::RecordingClient client;
    FakeUserChannel user;
};

TEST(StartupFaults, EveryCallFailingAloneEndsWithItsOwnReport) {
    const auto kinds = testing_support::sweepFaults<ConnectRig>(R"json({
      "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" } ] } ],
      "defaultServer": "FS1", "defaultContext": "ACME",
      "tree": [ { "name": "ACME", "class": "Organization" } ] })json");
    EXPECT_EQ(kinds.size(), 8u);
}

} // namespace
