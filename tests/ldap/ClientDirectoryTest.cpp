#include "MemoryDirectory.h"

#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"

#include <gtest/gtest.h>

namespace {

using testing_support::MemoryDirectory;

struct ClientDirectory : testing::Test {
    ClientDirectory() {
        auto source = std::make_unique<MemoryDirectory>(testing_support::twoNamingContexts());
        directory = source.get();
        directory->add("o=ACME", {"ou", "SALES", true});
        for (int i = 1; i <= 300; ++i)
            directory->add("ou=SALES,o=ACME", {"cn", "USER" + std::to_string(1000 + i), false, 60000u + i});
        directory->add("ou=SALES,o=ACME", {"ou", "EAST", true});
        directory->add("ou=SALES,o=ACME", {"cn", "J.DOE", false});
        directory->add("ou=EAST,ou=SALES,o=ACME", {"cn", "Dvo\xC5\x99\xC3\xA1k", false, 60006});
        client = std::make_unique<nwldap::LdapClient>(std::move(source), std::vector<nwldap::Volume>{}, "fs", "");
        client->NWDSCreateContextHandle(&context);
        client->NWDSSetContext(context, nw::kContextKeyNameContext, "SALES.ACME");
        client->NWDSAllocBuf(nw::kResultBufferSize, &buffer);
        setFlags(nwldap::kDefaultContextFlags | nw::kContextFlagTypelessNames);
    }

    void setFlags(nw::nuint32 flags) { client->NWDSSetContext(context, nw::kContextKeyFlags, &flags); }

    // Every name of a listing, and the number of chunks it took; or the code.
    nw::NWRCODE list(const char* container, bool containersOnly, std::vector<std::string>& names, int& chunks) {
        nw::nint32 iteration = -1;
        chunks = 0;
        do {
            const nw::NWRCODE rc = containersOnly ? client->NWDSListContainers(context, container, &iteration, buffer)
                                                  : client->NWDSList(context, container, &iteration, buffer);
            if (rc != nw::kSuccess)
                return rc;
            ++chunks;
            nw::nuint32 count = 0;
            client->NWDSGetObjectCount(context, buffer, &count);
            char name[nw::kNameBufferSize];
            for (nw::nuint32 i = 0; i < count; ++i) {
                EXPECT_EQ(client->NWDSGetObjectName(context, buffer, name, nullptr, nullptr), nw::kSuccess);
                names.emplace_back(name);
            }
            EXPECT_EQ(client->NWDSGetObjectName(context, buffer, name, nullptr, nullptr), nwldap::kErrBufferEmpty);
        } while (iteration != -1);
        return nw::kSuccess;
    }

    nw::nuint32 resolve(const char* name) {
        nw::NWCONN_HANDLE conn = 0;
        nw::nuint32 id = 0;
        const nw::NWRCODE rc = client->NWDSResolveName(context, name, &conn, &id);
        client->NWCCCloseConn(conn);
        return rc == nw::kSuccess ? id : static_cast<nw::nuint32>(rc);
    }

    MemoryDirectory* directory = nullptr;
    std::unique_ptr<nwldap::LdapClient> client;
    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;
};

TEST_F(ClientDirectory, ABigContainerComesInSeveralChunksWholeAndInOrder) {
    std::vector<std::string> names;
    int chunks = 0;
    ASSERT_EQ(list("", false, names, chunks), nw::kSuccess);
    ASSERT_EQ(names.size(), 302u);
    EXPECT_EQ(names.front(), "USER1001");
    EXPECT_EQ(names[299], "USER1300");
    EXPECT_EQ(names.back(), "J\\.DOE");
    EXPECT_EQ(chunks, 2); // 4096 bytes: a 4-byte count and at most 177 records of 23 bytes
    names.clear();
    ASSERT_EQ(list("", true, names, chunks), nw::kSuccess);
    EXPECT_EQ(names, std::vector<std::string>{"EAST"});
    EXPECT_EQ(directory->reads["ou=SALES,o=ACME"], 1);
}

TEST_F(ClientDirectory, NamesAreTypedUnlessAskedForTypelessAndResolveBack) {
    std::vector<std::string> names;
    int chunks = 0;
    setFlags(nwldap::kDefaultContextFlags);
    ASSERT_EQ(list("EAST", false, names, chunks), nw::kSuccess);
    EXPECT_EQ(names, std::vector<std::string>{"CN=Dvo?\xE1k"});
    setFlags(nwldap::kDefaultContextFlags | nw::kContextFlagTypelessNames);
    names.clear();
    ASSERT_EQ(list("OU=EAST", false, names, chunks), nw::kSuccess);
    EXPECT_EQ(names, std::vector<std::string>{"Dvo?\xE1k"});
    EXPECT_EQ(resolve("Dvo?\xE1k.EAST"), 60006u);
    EXPECT_EQ(resolve("USER1007"), 60007u);
    EXPECT_EQ(resolve("J\\.DOE"), nwldap::kNoOwner);
    names.clear();
    ASSERT_EQ(list("[Root]", true, names, chunks), nw::kSuccess);
    EXPECT_EQ(names, (std::vector<std::string>{"ACME", "com"}));
}

TEST_F(ClientDirectory, FailuresGiveTheirCodesAndLeaveTheIterationAlone) {
    const auto listed = [this](nw::NWDSContextHandle ctx, const char* name, nw::nint32 iteration, nw::pBuf_T buf) {
        const nw::nint32 before = iteration;
        const nw::NWRCODE rc = client->NWDSList(ctx, name, &iteration, buf);
        EXPECT_EQ(iteration, before) << name;
        return rc;
    };
    directory->failures["ou=EAST,ou=SALES,o=ACME"] = LDAP_SERVER_DOWN;
    EXPECT_EQ(listed(context, "NOPE", -1, buffer), nw::kNoSuchEntry);
    EXPECT_EQ(listed(context, "A..B", -1, buffer), nw::kInvalidDsName);
    EXPECT_EQ(listed(context, "EAST", -1, buffer), nwldap::kErrUnreachableServer);
    EXPECT_EQ(listed(context, "", 77, buffer), nwldap::kErrInvalidIteration);
    EXPECT_EQ(listed(context + 1, "", -1, buffer), nwldap::kErrBadContext);
    EXPECT_EQ(listed(context, "", -1, nullptr), nwldap::kErrInvalidHandle);
    EXPECT_EQ(resolve("NOPE"), static_cast<nw::nuint32>(nw::kNoSuchEntry));
    EXPECT_EQ(client->NWDSSetContext(context, nw::kContextKeyNameContext, ""), nw::kInvalidDsName);

    nw::pBuf_T tiny = nullptr;
    client->NWDSAllocBuf(20, &tiny);
    EXPECT_EQ(listed(context, "", -1, tiny), nwldap::kErrInsufficientBuffer);
    nw::nuint32 count = 0;
    client->NWDSAllocBuf(100, &tiny);
    EXPECT_EQ(client->NWDSGetObjectCount(context, tiny, &count), nwldap::kErrBadVerb);

    nw::nint32 iteration = -1; // a continuation belongs to its context and kind of listing
    ASSERT_EQ(client->NWDSList(context, "", &iteration, buffer), nw::kSuccess);
    EXPECT_EQ(client->NWDSListContainers(context, "", &iteration, buffer), nwldap::kErrInvalidIteration);
    client->NWDSFreeContext(context);
    client->NWDSCreateContextHandle(&context);
    EXPECT_EQ(client->NWDSList(context, "", &iteration, buffer), nwldap::kErrInvalidIteration);
}

TEST_F(ClientDirectory, TheDefaultContextIsTheFirstNamingContextAndMustFit) {
    char text[nw::kNameBufferSize];
    ASSERT_EQ(client->NWGetDefaultNameContext(sizeof text, text), nw::kSuccess);
    EXPECT_STREQ(text, "ACME");
    EXPECT_EQ(client->NWGetDefaultNameContext(4, text), nwldap::kErrInsufficientBuffer);
    EXPECT_EQ(nwldap::dottedName({{"dc=a\\.b,dc=c", {{"dc", "a.b"}, {"dc", "c"}}}}), "a\\.b.c");
}

} // namespace
