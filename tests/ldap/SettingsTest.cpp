#include "netware/ldap/Settings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using nwldap::BindKind;
using Vars = std::map<std::string, std::string>;

std::string read(Vars vars, nwldap::Settings& out) {
    return nwldap::readSettings(
        [&vars](const char* name) { return vars.count(name) == 0 ? nullptr : vars[name].c_str(); }, out);
}

TEST(Settings, TheBindFollowsTheBindDnAndTheUri) {
    const std::pair<Vars, BindKind> cases[] = {
        {{{"VORLANE_LDAP_URI", "ldap://dir"}}, BindKind::Anonymous},
        {{{"VORLANE_LDAP_URI", "LDAPI://%2Frun"}}, BindKind::External},
        {{{"VORLANE_LDAP_URI", "ldapi://"}, {"VORLANE_LDAP_BIND_DN", "cn=a"}, {"VORLANE_LDAP_PASSWORD_FILE", "/p"}},
         BindKind::Simple},
    };
    for (const auto& [vars, bind] : cases) {
        nwldap::Settings settings;
        EXPECT_EQ(read(vars, settings), "");
        EXPECT_EQ(settings.bind, bind) << vars.begin()->second;
    }
}

TEST(Settings, WhatCannotWorkIsRefusedNamingTheSetting) {
    const std::pair<Vars, std::string> cases[] = {
        {{{"VORLANE_LDAP_URI", ""}}, "VORLANE_LDAP_URI"},
        {{{"VORLANE_LDAP_URI", "http://dir"}}, "VORLANE_LDAP_URI"},
        {{{"VORLANE_LDAP_URI", "ldap://a ldap://b"}}, "more than one URI"},
        {{{"VORLANE_LDAP_BIND_DN", "cn=a"}}, "VORLANE_LDAP_PASSWORD_FILE is not"},
        {{{"VORLANE_LDAP_PASSWORD_FILE", "/p"}}, "VORLANE_LDAP_BIND_DN is not"},
        {{{"VORLANE_LDAP_PAGE_SIZE", "0"}}, "VORLANE_LDAP_PAGE_SIZE"},
        {{{"VORLANE_LDAP_PAGE_SIZE", "12x"}}, "VORLANE_LDAP_PAGE_SIZE"},
        {{{"VORLANE_VOLUMES", "SYS"}}, "VORLANE_VOLUMES"},
        {{{"VORLANE_LDAP_PAGE_SIZE", "1"}, {"VORLANE_VOLUMES", "A=/"}, {"VORLANE_LDAP_CONTEXT", "X"}}, ""},
    };
    for (auto [vars, said] : cases) {
        vars.emplace("VORLANE_LDAP_URI", "ldaps://dir");
        nwldap::Settings settings;
        const std::string error = read(vars, settings);
        EXPECT_TRUE(said.empty() ? error.empty() : error.find(said) != std::string::npos) << error;
    }
    nwldap::Settings settings;
    read({{"VORLANE_LDAP_URI", "ldap://"}, {"VORLANE_LDAP_PAGE_SIZE", "7"}, {"VORLANE_VOLUMES", " A = /a b "}},
         settings);
    EXPECT_EQ(settings.pageSize, 7);
    ASSERT_TRUE(settings.volumesSet && settings.volumes.size() == 1);
    EXPECT_EQ(settings.volumes[0].name + "=" + settings.volumes[0].path, "A=/a b");
}

TEST(VolumesSetting, BadListsAreRefusedAndChangeNothing) {
    std::string all;
    for (int i = 0; i < 65; ++i)
        all += std::string(i == 0 ? "" : ",").append("V").append(std::to_string(i)).append("=/");
    const std::string sixtyFour = all.substr(0, all.rfind(','));
    for (const std::string& text :
         {std::string(), std::string("SYS"), std::string("=/x"), std::string("ABCDEFGHIJKLMNOPQ=/x"),
          std::string("A B=/x"), std::string("S=rel"), std::string("SYS=/a,sys=/b"), std::string("A=/,"), all}) {
        std::vector<nwldap::VolumeSetting> volumes{{"KEPT", "/"}};
        EXPECT_NE(nwldap::parseVolumes(text, volumes), "") << text;
        EXPECT_EQ(volumes.size(), 1u);
    }
    std::vector<nwldap::VolumeSetting> volumes;
    EXPECT_EQ(nwldap::parseVolumes(sixtyFour + ",$ABCDEFGHIJKL.-_=/", volumes),
              "VORLANE_VOLUMES: more than 64 volumes");
    EXPECT_EQ(nwldap::parseVolumes(sixtyFour.substr(sixtyFour.find(',') + 1) + ",$ABCDEFGHIJKL.-_=/", volumes), "");
    EXPECT_EQ(volumes.size(), 64u);
}

} // namespace
