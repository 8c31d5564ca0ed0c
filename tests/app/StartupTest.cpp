#include "app/MainWindow.h"

#include "support/FakeUserChannel.h"
#include "support/MockClient.h"

#include <QLineEdit>
#include <gtest/gtest.h>

#include <cstring>

namespace {

using testing::_;
using testing::DoAll;
using testing::Return;
using testing::SetArgPointee;
using testing_support::FakeUserChannel;
using testing_support::MockClient;
using testing_support::ProgramEnded;

// Start-up against a scripted client: every call succeeds unless a test says
// otherwise, the default context is what `context` holds, and no server is
// known.
class Startup : public testing::Test {
protected:
    Startup() {
        ON_CALL(client_, NWCallsInit(_, _)).WillByDefault(Return(0));
        ON_CALL(client_, NWNetInit(_, _)).WillByDefault(Return(0));
        ON_CALL(client_, NWGetDefaultNameContext(_, _)).WillByDefault([this](nw::nuint32 size, char* out) {
            std::memcpy(out, context_.data(), std::min<std::size_t>(size, context_.size()));
            return nw::kSuccess;
        });
        ON_CALL(client_, NWGetDefaultConnRef(_)).WillByDefault(DoAll(SetArgPointee<0>(7u), Return(0)));
        ON_CALL(client_, NWCCOpenConnByRef(7u, nw::kOpenStatePrivate, 0u, _))
            .WillByDefault(DoAll(SetArgPointee<3>(70u), Return(0)));
        ON_CALL(client_, NWGetKnownServersInfo(_, _, _, _)).WillByDefault(Return(nw::kNoMoreServers));
    }

    QString contextBox() const { return window_.findChild<QLineEdit*>("txtContext")->text(); }

    testing::NiceMock<MockClient> client_;
    FakeUserChannel user_;
    vorlane::MainWindow window_{client_, user_};
    std::string context_ = std::string("SALES.ACME") + '\0';
};

TEST_F(Startup, CallsInitFailureShowsItsOwnMessageAndNothingElseRuns) {
    EXPECT_CALL(client_, NWCallsInit(_, _)).WillOnce(Return(1));
    EXPECT_CALL(client_, NWNetInit(_, _)).Times(0);
    EXPECT_CALL(client_, NWGetDefaultNameContext(_, _)).Times(0);
    try {
        window_.Form_Load();
        FAIL() << "start-up went on";
    } catch (const ProgramEnded& end) {
        EXPECT_NE(end.status, 0);
    }
    EXPECT_EQ(user_.messages, std::vector<std::string>{"NWCallsInit failed - 1"});
}

TEST_F(Startup, DefaultContextFailureLeavesTheBoxUntouched) {
    EXPECT_CALL(client_, NWGetDefaultNameContext(nw::kDefaultContextSize, _)).WillOnce(Return(2));
    EXPECT_CALL(client_, NWGetDefaultConnRef(_)).Times(0);
    EXPECT_THROW(window_.Form_Load(), ProgramEnded);
    EXPECT_EQ(user_.messages, std::vector<std::string>{"Couldn't get default context (2)"});
    EXPECT_TRUE(contextBox().isEmpty());
}

TEST_F(Startup, DefaultConnectionFailureEndsBeforeTheServerScan) {
    EXPECT_CALL(client_, NWCCOpenConnByRef(7u, _, _, _)).WillOnce(Return(5));
    EXPECT_CALL(client_, NWGetKnownServersInfo(_, _, _, _)).Times(0);
    EXPECT_THROW(window_.Form_Load(), ProgramEnded);
    EXPECT_EQ(user_.messages, std::vector<std::string>{"NWCCOpenConnByRef failed : 5"});
}

TEST_F(Startup, DefaultContextFillsTheContextBox) {
    window_.Form_Load();
    EXPECT_EQ(contextBox(), "SALES.ACME");
    EXPECT_EQ(window_.defConnRef(), 7u);
    EXPECT_EQ(window_.defConnH(), 70u);
    EXPECT_EQ(window_.lastList(), vorlane::MainWindow::NoListingYet);
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(Startup, EmptyDefaultContextLeavesTheBoxEmptyWithoutAMessage) {
    context_ = std::string(1, '\0');
    window_.Form_Load();
    EXPECT_TRUE(contextBox().isEmpty());
    EXPECT_TRUE(user_.messages.empty());
}

TEST_F(Startup, LongDefaultContextsArriveWhole) {
    context_ = std::string(255, 'A') + '\0';
    window_.Form_Load();
    EXPECT_EQ(contextBox().size(), 255);
}

TEST_F(Startup, AContextThatFillsTheWholeBufferStillEndsInsideIt) {
    context_ = std::string(256, 'B'); // the client wrote every byte it was allowed, no NUL
    window_.Form_Load();
    EXPECT_EQ(contextBox(), QString(256, QLatin1Char('B')));
}

} // namespace
