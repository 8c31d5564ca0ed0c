#include "support/WindowHarness.h"

#include <gtest/gtest.h>

namespace {

using testing_support::WindowHarness;

constexpr std::string_view kNetwork = R"json({
  "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" } ] } ],
  "defaultServer": "FS1",
  "defaultContext": "SALES.ACME",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "BOSS", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 50 } ] },
    { "name": "SALES", "class": "Organizational Unit", "children": [
      { "name": "JSMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 10 } ] }
    ] }
  ] } ]
})json";

// Whatever is typed, a listing ends with a message or a listing, never a
// crash, and a listing that ends early leaves the previous results shown.
class TypedContext : public testing::Test {
protected:
    void SetUp() override {
        h_.pickVolume("[FS1] : SYS");
        ASSERT_EQ(h_.shown(), QStringList{"JSMITH=40"});
    }
    std::vector<std::string> listWith(const QString& context, bool recurse = false) {
        h_.user.messages.clear();
        h_.setContext(context);
        h_.setRecurse(recurse);
        h_.pickVolume("[FS1] : SYS");
        return h_.user.messages;
    }
    void expectPreviousResultsKept() { EXPECT_EQ(h_.shown(), QStringList{"JSMITH=40"}); }

    WindowHarness h_{kNetwork};
};

TEST_F(TypedContext, TenThousandCharactersAreNoValidContext) {
    EXPECT_EQ(listWith(QString(10000, 'A')), std::vector<std::string>{"Invalid context supplied"});
    expectPreviousResultsKept();
}

TEST_F(TypedContext, ControlCharactersAreNoValidContext) {
    for (const QString& text : {QString("SALES\tACME"), QString("SALES.ACME\n"), QString(QChar(0x1B))}) {
        const auto messages = listWith(text);
        EXPECT_EQ(messages, std::vector<std::string>{"Invalid context supplied"}) << text.toStdString();
        expectPreviousResultsKept();
    }
}

TEST_F(TypedContext, AnEmbeddedNulDoesNotCutTheContextShort) {
    // "SALES.ACME" followed by NUL and more must not be taken as SALES.ACME.
    const QString text = QString("SALES.ACME") + QChar(0) + QString("X");
    EXPECT_EQ(listWith(text), std::vector<std::string>{"Context does not exist"});
    expectPreviousResultsKept();
}

TEST_F(TypedContext, CharactersOutsideTheEightBitSetMatchNothing) {
    EXPECT_EQ(listWith(QString::fromUtf8("\u0141\u00D3D\u0179.ACME")),
              std::vector<std::string>{"Context does not exist"});
    expectPreviousResultsKept();
}

TEST_F(TypedContext, LeadingAndTrailingDotsAreNoValidContext) {
    for (const char* text : {".SALES.ACME", "SALES.ACME.", ".", ".."}) {
        EXPECT_EQ(listWith(text), std::vector<std::string>{"Invalid context supplied"}) << text;
        expectPreviousResultsKept();
    }
}

TEST_F(TypedContext, RootListsTheTopOfTheTree) {
    EXPECT_TRUE(listWith("[Root]").empty());
    EXPECT_TRUE(h_.shown().isEmpty()) << "only organizations stand directly below [Root]";
    EXPECT_TRUE(listWith("[Root]", true).empty());
    EXPECT_EQ(h_.shown(), (QStringList{"BOSS.ACME=200", "JSMITH.SALES.ACME=40"}));
}

TEST_F(TypedContext, ALeafObjectAsContextListsNothing) {
    EXPECT_TRUE(listWith("BOSS.ACME", true).empty());
    EXPECT_TRUE(h_.shown().isEmpty());
    EXPECT_EQ(h_.sim->openConnections(), std::vector<nw::NWCONN_HANDLE>{h_.window.defConnH()});
}

TEST_F(TypedContext, BlanksAroundTheContextAreNotTrimmed) {
    EXPECT_EQ(listWith(" SALES.ACME"), std::vector<std::string>{"Context does not exist"});
    expectPreviousResultsKept();
}

} // namespace
