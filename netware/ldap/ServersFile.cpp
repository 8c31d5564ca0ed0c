#include "netware/ldap/ServersFile.h"

#include "netware/Charset.h"
#include "netware/Client.h"
#include "netware/ldap/Report.h"
#include "scanner/Protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

namespace nwldap {
namespace {

using Json = nlohmann::json;

// A problem and the place it was found at.
struct Refusal {
    std::string place; // a JSON pointer, or a line and column
    std::string problem;
};
using Found = std::optional<Refusal>;

std::string at(const std::string& base, std::string_view key) {
    std::string token;
    for (const char c : key)
        token += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    return base + '/' + token;
}

std::string at(const std::string& base, std::size_t index) {
    return base + '/' + std::to_string(index);
}

// Catches what the library's own parser lets through: a key given twice in
// one object (it would keep the last silently) and nesting far beyond the
// format's, which could only be a mistake or an attack.
class FirstCheck final : public nlohmann::json_sax<Json> {
public:
    Found refusal;

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t) override { return value(); }
    bool number_unsigned(number_unsigned_t) override { return value(); }
    bool number_float(number_float_t, const string_t&) override { return value(); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(true); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        Frame& frame = frames_.back();
        frame.key = name;
        if (frame.keys.insert(name).second)
            return true;
        refusal = Refusal{pointer(), "the key \"" + name + "\" appears twice in one object"};
        return false;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
        refusal = Refusal{lineAndColumn(position), syntaxProblem(error.what())};
        return false;
    }

    std::string_view text;

private:
    struct Frame {
        bool array = false;
        std::size_t index = 0;
        std::string key;
        std::set<std::string> keys;
    };

    std::string pointer() const {
        std::string out;
        for (const Frame& frame : frames_)
            out = frame.array ? at(out, frame.index) : at(out, frame.key);
        return out;
    }

    bool open(bool array) {
        if (frames_.size() == 32) {
            refusal = Refusal{pointer(), "nested far deeper than the format goes"};
            return false;
        }
        frames_.push_back({array, 0, {}, {}});
        return true;
    }

    bool close() {
        frames_.pop_back();
        return value();
    }

    bool value() {
        if (!frames_.empty() && frames_.back().array)
            ++frames_.back().index;
        return true;
    }

    // The parser counts the bytes it read; the last is the offending one.
    // Columns count characters, as an editor does.
    std::string lineAndColumn(std::size_t bytesRead) const {
        const std::string_view before = text.substr(0, bytesRead == 0 ? 0 : bytesRead - 1);
        const std::size_t newline = before.rfind('\n');
        const std::string_view inLine = before.substr(newline == std::string_view::npos ? 0 : newline + 1);
        const auto line = std::count(before.begin(), before.end(), '\n') + 1;
        const auto column = std::count_if(inLine.begin(), inLine.end(),
                                          [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
        return "line " + std::to_string(line) + ", column " + std::to_string(column + 1);
    }

    // The library's words without its own place and without its echo of
    // the text read, which may hold any bytes at all.
    static std::string syntaxProblem(std::string message) {
        if (const auto echo = message.find("; last read: '"); echo != std::string::npos)
            message.erase(echo, message.rfind('\'') + 1 - echo);
        if (const auto column = message.find("column "); column != std::string::npos)
            message.erase(0, message.find(": ", column) + 2);
        if (const auto dash = message.find(" - "); message.starts_with("syntax error") && dash != std::string::npos)
            message.erase(0, dash + 3);
        return "not valid JSON: " + printable(message);
    }

    std::vector<Frame> frames_;
};

// C0 controls, DEL and the C1 controls (U+0080 to U+009F, C2 80 to C2 9F).
bool hasControl(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F ||
            (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0))
            return true;
    }
    return false;
}

// Built by appending: GCC 12's overlap check at -O3 takes "\"" + text for
// a copy that may overlap itself, an error under -Werror.
std::string inQuotes(std::string_view text) {
    std::string out("\"");
    out.append(printable(text)).append("\"");
    return out;
}

// Only the keys of `allowed`; every key of `required`.
Found keysOf(const Json& object, const std::string& place, std::string_view what,
             const std::vector<std::string_view>& allowed, const std::vector<std::string_view>& required) {
    if (!object.is_object())
        return Refusal{place, std::string(what) + " must be a JSON object"};
    for (const auto& [key, value] : object.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
            return Refusal{at(place, key), "unknown key"};
    }
    for (const std::string_view key : required) {
        if (!object.contains(key))
            return Refusal{place, std::string(what) + " has no \"" + std::string(key) + "\""};
    }
    return std::nullopt;
}

// The text at `object[key]` into `out` when there is one.
Found readText(const Json& object, const std::string& place, const char* key, std::string& out) {
    if (!object.contains(key))
        return std::nullopt;
    if (!object[key].is_string())
        return Refusal{at(place, key), "must be a string"};
    out = object[key].get<std::string>();
    if (hasControl(out))
        return Refusal{at(place, key), inQuotes(out) + " holds a control character"};
    return std::nullopt;
}

std::string serverNameProblem(const std::string& name) {
    const std::string bytes = nw::utf8ToCp1252(name);
    if (bytes.empty() || bytes.size() > kMaxServerNameChars)
        return "the server name " + inQuotes(name) + " does not have 1 to 47 characters";
    if (const auto bad = name.find_first_of(" /\\:;,*?[]"); bad != std::string::npos)
        return "the server name " + inQuotes(name) + " holds \"" + name[bad] + "\"";
    if (bytes.find('?') != std::string::npos)
        return "the server name " + inQuotes(name) + " holds a character that Windows-1252 does not have";
    return {};
}

std::string volumeNameProblem(const std::string& name) {
    const bool allowed = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               (c != '\0' && std::strchr("_-$.", c) != nullptr);
    });
    if (name.empty() || name.size() > nw::kMaxVolumeNameChars || !allowed)
        return "the volume name " + inQuotes(name) + " is not 1 to 16 letters, digits and _-$.";
    return {};
}

Found readVolume(const Json& doc, const std::string& place, std::vector<VolumeSetting>& volumes) {
    if (Found found = keysOf(doc, place, "a volume", {"name", "path"}, {"name", "path"}))
        return found;
    VolumeSetting volume;
    if (Found found = readText(doc, place, "name", volume.name); found)
        return found;
    if (std::string problem = volumeNameProblem(volume.name); !problem.empty())
        return Refusal{at(place, "name"), problem};
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (nw::equalFoldedCp1252(volumes[i].name, volume.name))
            return Refusal{at(place, "name"), "the volume name " + inQuotes(volume.name) + " is taken by volume " +
                                                  std::to_string(i) + " of this server (names ignore case)"};
    }
    if (Found found = readText(doc, place, "path", volume.path); found)
        return found;
    if (volume.path.empty() || volume.path.front() != '/')
        return Refusal{at(place, "path"), "the path " + inQuotes(volume.path) + " is not absolute"};
    if (volume.path.size() > scanner::protocol::kMaxPathBytes)
        return Refusal{at(place, "path"), "the path is longer than 4096 bytes"};
    volumes.push_back(std::move(volume));
    return std::nullopt;
}

Found readReach(const Json& doc, const std::string& place, ServerSetting& server) {
    if (Found found = readText(doc, place, "ssh", server.ssh); found)
        return found;
    if (doc.contains("ssh") && (server.ssh.empty() || server.ssh.front() == '-' ||
                                server.ssh.find_first_of(" \t\n\v\f\r") != std::string::npos))
        return Refusal{at(place, "ssh"), "the ssh destination " + inQuotes(server.ssh) +
                                             " is empty, starts with \"-\" or holds whitespace"};
    if (Found found = readText(doc, place, "scanner", server.scanner); found)
        return found;
    if (doc.contains("scanner") && !doc.contains("ssh"))
        return Refusal{at(place, "scanner"), "a scanner is only run on a server reached over ssh"};
    if (doc.contains("scanner") && server.scanner.empty())
        return Refusal{at(place, "scanner"), "the scanner's path is empty"};
    if (doc.contains("ssh") && !doc.contains("scanner"))
        server.scanner = kDefaultScanner;
    return std::nullopt;
}

Found readServer(const Json& doc, const std::string& place, std::vector<ServerSetting>& servers) {
    if (Found found = keysOf(doc, place, "a server", {"name", "ssh", "scanner", "volumes"}, {"name", "volumes"}))
        return found;
    ServerSetting server;
    if (Found found = readText(doc, place, "name", server.name); found)
        return found;
    if (std::string problem = serverNameProblem(server.name); !problem.empty())
        return Refusal{at(place, "name"), problem};
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (nw::equalFoldedCp1252(nw::utf8ToCp1252(servers[i].name), nw::utf8ToCp1252(server.name)))
            return Refusal{at(place, "name"), "the server name " + inQuotes(server.name) + " is taken by " +
                                                  at(at("", "servers"), i) + " (names ignore case)"};
    }
    if (Found found = readReach(doc, place, server))
        return found;
    const Json& volumes = doc["volumes"];
    const std::string volumesAt = at(place, "volumes");
    if (!volumes.is_array() || volumes.empty() || volumes.size() > nw::kMaxVolumes)
        return Refusal{volumesAt, "must be a list of 1 to 64 volumes"};
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (Found found = readVolume(volumes[i], at(volumesAt, i), server.volumes))
            return found;
    }
    servers.push_back(std::move(server));
    return std::nullopt;
}

Found readDocument(std::string_view text, std::vector<ServerSetting>& servers) {
    FirstCheck check;
    check.text = text;
    if (!Json::sax_parse(text, &check))
        return check.refusal ? check.refusal : Refusal{"", "not valid JSON"};
    const Json doc = Json::parse(text, nullptr, false);
    if (Found found = keysOf(doc, "", "the file", {"servers"}, {"servers"}))
        return found;
    const Json& list = doc["servers"];
    if (!list.is_array() || list.empty())
        return Refusal{"/servers", "must be a list of at least one server"};
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (Found found = readServer(list[i], at("/servers", i), servers))
            return found;
    }
    return std::nullopt;
}

} // namespace

std::string parseServers(std::string_view text, const std::string& source, std::vector<ServerSetting>& out) {
    std::vector<ServerSetting> servers;
    if (const Found found = readDocument(text, servers))
        return printable(source) + ": " + (found->place.empty() ? "top level" : printable(found->place)) + ": " +
               found->problem;
    out = std::move(servers);
    return {};
}

std::string readServersFile(const std::string& path, std::vector<ServerSetting>& out) {
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return printable(path) + ": cannot be read: " + std::strerror(errno);
    std::string text(kMaxServersFileBytes + 1, '\0');
    const std::size_t size = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get()))
        return printable(path) + ": cannot be read: " + std::strerror(errno);
    if (size > kMaxServersFileBytes)
        return printable(path) + ": larger than 4 MiB, far more than a list of servers needs";
    text.resize(size);
    return parseServers(text, path, out);
}

} // namespace nwldap
