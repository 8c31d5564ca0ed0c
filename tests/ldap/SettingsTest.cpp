#include "netware/ldap/Settings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using nwldap::BindKind;
using Vars = std::map<std::string, std::string>;

std::string read(const Vars& vars, nwldap::Settings& out) {
    return nwldap::readSettings(
        [&vars](const char* name) -> const char* {
            const auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        },
        out);
}

TEST(Settings, TheBindFollowsTheBindDnAndTheUri) {
    const struct {
        Vars vars;
        BindKind bind;
    } cases[] = {
        {{{"VORLANE_LDAP_URI", "ldap://dir"}}, BindKind::Anonymous},
        {{{"VORLANE_LDAP_URI", "LDAPI://%2Frun%2Fslapd"}}, BindKind::External},
        {{{"VORLANE_LDAP_URI", "ldapi://"}, {"VORLANE_LDAP_BIND_DN", "cn=a"}, {"VORLANE_LDAP_PASSWORD_FILE", "/p"}},
         BindKind::Simple},
    };
    for (const auto& c : cases) {
        nwldap::Settings settings;
        EXPECT_EQ(read(c.vars, settings), "");
        EXPECT_EQ(settings.bind, c.bind) << c.vars.begin()->second;
    }
}

TEST(Settings, WhatCannotWorkIsRefusedNamingTheSetting) {
    const Vars uri{{"VORLANE_LDAP_URI", "ldaps://dir"}};
    const auto with = [&uri](const char* name, const char* value) {
        Vars vars = uri;
        vars[name] = value;
        return vars;
    };
    const struct {
        Vars vars;
        std::string said;
    } cases[] = {
        {{}, "VORLANE_LDAP_URI"},
        {{{"VORLANE_LDAP_URI", "http://dir"}}, "VORLANE_LDAP_URI"},
        {{{"VORLANE_LDAP_URI", "ldap://a ldap://b"}}, "more than one URI"},
        {with("VORLANE_LDAP_BIND_DN", "cn=a"), "VORLANE_LDAP_PASSWORD_FILE is not"},
        {with("VORLANE_LDAP_PASSWORD_FILE", "/p"), "VORLANE_LDAP_BIND_DN is not"},
        {with("VORLANE_LDAP_PAGE_SIZE", "0"), "VORLANE_LDAP_PAGE_SIZE"},
        {with("VORLANE_LDAP_PAGE_SIZE", "12x"), "VORLANE_LDAP_PAGE_SIZE"},
        {with("VORLANE_VOLUMES", "SYS"), "VORLANE_VOLUMES"},
    };
    for (const auto& c : cases) {
        nwldap::Settings settings;
        EXPECT_NE(read(c.vars, settings).find(c.said), std::string::npos) << c.said;
    }
    nwldap::Settings settings;
    EXPECT_EQ(read(with("VORLANE_LDAP_PAGE_SIZE", "7"), settings), "");
    EXPECT_EQ(settings.pageSize, 7);
}

TEST(VolumesSetting, NamesAndPathsInVolumeNumberOrder) {
    std::vector<nwldap::VolumeSetting> volumes;
    ASSERT_EQ(nwldap::parseVolumes(" SYS=/srv/sys, DATA_1 = /srv/my data,$ABCDEFGHIJKLMNO=/", volumes), "");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[1].name, "DATA_1");
    EXPECT_EQ(volumes[1].path, "/srv/my data");
    EXPECT_EQ(volumes[2].name, "$ABCDEFGHIJKLMNO");
}

TEST(VolumesSetting, BadListsAreRefusedAndChangeNothing) {
    std::string tooMany;
    for (int i = 0; i < 65; ++i)
        tooMany += std::string("V").append(std::to_string(i)).append("=/,");
    for (const std::string& text :
         {std::string(), std::string("SYS"), std::string("=/x"), std::string("ABCDEFGHIJKLMNOPQ=/x"),
          std::string("A B=/x"), std::string("SYS=relative"), std::string("SYS=/a,sys=/b"), std::string("A=/,"),
          tooMany.substr(0, tooMany.size() - 1)}) {
        std::vector<nwldap::VolumeSetting> volumes{{"KEPT", "/"}};
        EXPECT_NE(nwldap::parseVolumes(text, volumes), "") << text;
        EXPECT_EQ(volumes.size(), 1u);
    }
    std::vector<nwldap::VolumeSetting> volumes;
    EXPECT_EQ(nwldap::parseVolumes(tooMany.substr(0, tooMany.rfind("V64") - 1), volumes), "");
    EXPECT_EQ(volumes.size(), 64u);
}

} // namespace
