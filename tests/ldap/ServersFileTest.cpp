// The servers file: what is read from it, and every refusal with its place
// and problem.

#include "netware/ldap/ServersFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

// What was read as "name[ssh scanner]: VOL=/path ..." per server, or the error.
std::string read(const std::string& text) {
    std::vector<nwldap::ServerSetting> servers{{"KEPT", "", "", {}}};
    if (std::string error = nwldap::parseServers(text, "s.json", servers); !error.empty())
        return servers.size() == 1 && servers[0].name == "KEPT" ? error : "refused, but the list changed";
    std::string out;
    for (const auto& server : servers) {
        out += (out.empty() ? "" : "; ") + server.name +
               (server.ssh.empty() ? "" : "[" + server.ssh + " " + server.scanner + "]") + ":";
        for (const auto& volume : server.volumes)
            out += " " + volume.name + "=" + volume.path;
    }
    return out;
}

std::string server(const std::string& keys, const std::string& volumes = R"([{"name": "SYS", "path": "/s"}])") {
    return R"({"servers": [{)" + keys + (keys.empty() ? "" : ", ") + R"("volumes": )" + volumes + "}]}";
}

TEST(ServersFile, AFileIsReadWholeOrRefusedWithThePlaceOfItsProblem) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"servers": [
             {"name": "FS1", "volumes": [{"name": "SYS", "path": "/srv/sys"}, {"name": "DATA", "path": "/srv/data"}]},
             {"name": "FS2", "ssh": "admin@fs2.example.com", "scanner": "/usr/bin/vorlane-scan",
              "volumes": [{"name": "HOMES_OF_ALL_USR", "path": "/home"}]},
             {"name": "Müller-3", "ssh": "ssh://fs3:2222", "volumes": [{"name": "a$_-.9", "path": "/a b/'c'"}]}]})",
         "FS1: SYS=/srv/sys DATA=/srv/data; FS2[admin@fs2.example.com /usr/bin/vorlane-scan]: HOMES_OF_ALL_USR=/home; "
         "Müller-3[ssh://fs3:2222 vorlane-scan]: a$_-.9=/a b/'c'"},
        {"{\"servers\": [\n  {\"name\": \"FS1\",, }]}",
         "s.json: line 2, column 18: not valid JSON: unexpected ','; expected string literal"},
        {"[]", "s.json: top level: the file must be a JSON object"},
        {R"({"servers": []})", "s.json: /servers: must be a list of at least one server"},
        {R"({"servers": [], "x~/": 1})", "s.json: /x~0~1: unknown key"},
        {R"({"servers": [{"name": "A", "name": "B"}]})",
         "s.json: /servers/0/name: the key \"name\" appears twice in one object"},
        {server(R"("nom": "A")"), "s.json: /servers/0/nom: unknown key"},
        {server(""), "s.json: /servers/0: a server has no \"name\""},
        {R"({"servers": [{"name": "A"}]})", "s.json: /servers/0: a server has no \"volumes\""},
        {R"({"servers": [{"name": "fs1", "volumes": [{"name": "S", "path": "/"}]}, {"name": "FS1", "volumes": []}]})",
         "s.json: /servers/1/name: the server name \"FS1\" is taken by /servers/0 (names ignore case)"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(read(text), expected) << text.substr(0, 300);
}

// Each refusal of what one server holds, at its place below /servers/0/.
TEST(ServersFile, EveryBadNameDestinationVolumeAndPathIsRefused) {
    std::string many;
    for (int i = 0; i <= 64; ++i)
        many += std::string(i == 0 ? "" : ", ") + R"({"name": "V)" + std::to_string(i) + R"(", "path": "/v"})";
    const auto volumes = [](const std::string& list) { return server(R"("name": "A")", "[" + list + "]"); };
    const auto named = [](const std::string& name, const std::string& problem) {
        return "name: the server name \"" + name + "\" " + problem;
    };
    const auto ssh = [](const std::string& to) {
        return "ssh: the ssh destination \"" + to + "\" is empty, starts with \"-\" or holds whitespace";
    };
    const std::string badVolumeName = "\" is not 1 to 16 letters, digits and _-$.";
    const std::pair<std::string, std::string> cases[] = {
        {server(R"("name": 1)"), "name: must be a string"},
        {server(R"("name": "FS 1")"), named("FS 1", "holds \" \"")},
        {server(R"("name": "FS[1]")"), named("FS[1]", "holds \"[\"")},
        {server(R"("name": "")"), named("", "does not have 1 to 47 characters")},
        {server(R"("name": ")" + std::string(48, 'S') + "\""),
         named(std::string(48, 'S'), "does not have 1 to 47 characters")},
        {server(R"("name": "F\u0007S")"), "name: \"F\\x07S\" holds a control character"},
        {server(R"("name": "F\u0085S")"), "name: \"F\\xC2\\x85S\" holds a control character"},
        {server(R"("name": "Łódź")"), named("Łódź", "holds a character that Windows-1252 does not have")},
        {volumes(""), "volumes: must be a list of 1 to 64 volumes"},
        {volumes(many), "volumes: must be a list of 1 to 64 volumes"},
        {volumes(R"({"name": "SYS"})"), "volumes/0: a volume has no \"path\""},
        {volumes(R"({"name": "SYS", "path": "/", "number": 0})"), "volumes/0/number: unknown key"},
        {volumes(R"({"name": "ABCDEFGHIJKLMNOPQ", "path": "/"})"),
         "volumes/0/name: the volume name \"ABCDEFGHIJKLMNOPQ" + badVolumeName},
        {volumes(R"({"name": "S:", "path": "/"})"), "volumes/0/name: the volume name \"S:" + badVolumeName},
        {volumes(R"({"name": "sys", "path": "/"}, {"name": "SYS", "path": "/"})"),
         "volumes/1/name: the volume name \"SYS\" is taken by volume 0 of this server (names ignore case)"},
        {volumes(R"({"name": "S", "path": "srv"})"), "volumes/0/path: the path \"srv\" is not absolute"},
        {volumes(R"({"name": "S", "path": "/a\u0000b"})"), "volumes/0/path: \"/a\\x00b\" holds a control character"},
        {volumes(R"({"name": "S", "path": "/)" + std::string(4096, 'p') + "\"}"),
         "volumes/0/path: the path is longer than 4096 bytes"},
        {server(R"("name": "A", "ssh": "")"), ssh("")},
        {server(R"("name": "A", "ssh": "-oProxyCommand=x")"), ssh("-oProxyCommand=x")},
        {server(R"("name": "A", "ssh": "a b")"), ssh("a b")},
        {server(R"("name": "A", "ssh": "a\nb")"), "ssh: \"a\\x0Ab\" holds a control character"},
        {server(R"("name": "A", "ssh": "h", "scanner": "/x\ty")"), "scanner: \"/x\\x09y\" holds a control character"},
        {server(R"("name": "A", "ssh": "h", "scanner": "")"), "scanner: the scanner's path is empty"},
        {server(R"("name": "A", "scanner": "/x")"), "scanner: a scanner is only run on a server reached over ssh"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(read(text), "s.json: /servers/0/" + expected) << text.substr(0, 300);
}

TEST(ServersFile, AFileThatCannotBeReadOrIsTooLargeIsRefused) {
    const std::string path = testing::TempDir() + "vorlane-servers-" + std::to_string(getpid()) + ".json";
    std::ofstream(path) << std::string(nwldap::kMaxServersFileBytes + 1, ' ');
    std::vector<nwldap::ServerSetting> servers;
    EXPECT_EQ(nwldap::readServersFile(path, servers),
              path + ": larger than 4 MiB, far more than a list of servers needs");
    std::ofstream(path) << server(R"("name": "A")");
    EXPECT_EQ(nwldap::readServersFile(path, servers), "");
    EXPECT_EQ(servers.size(), 1u);
    unlink(path.c_str());
    EXPECT_EQ(nwldap::readServersFile(path, servers), path + ": cannot be read: No such file or directory");
}

} // namespace
