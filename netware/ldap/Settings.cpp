#include "netware/ldap/Settings.h"

#include "netware/Charset.h"
#include "netware/Client.h"
#include "netware/DottedName.h"
#include "netware/ldap/Report.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <tuple>

namespace nwldap {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool volumeNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '$' || c == '.';
}

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return out;
}

// One "NAME=/path" item, or what is wrong with it.
std::string parseVolume(std::string_view item, VolumeSetting& out) {
    const auto equals = item.find('=');
    if (equals == std::string_view::npos)
        return std::string("\"").append(item).append("\" is not NAME=/path");
    const std::string_view name = trimmed(item.substr(0, equals));
    const std::string_view path = trimmed(item.substr(equals + 1));
    if (name.empty() || name.size() > nw::kMaxVolumeNameChars)
        return "the volume name \"" + std::string(name) + "\" does not have 1 to 16 characters";
    if (!std::all_of(name.begin(), name.end(), volumeNameChar))
        return "the volume name \"" + std::string(name) + "\" holds a character other than letters, digits and _-$.";
    if (path.empty() || path.front() != '/')
        return "the path of volume " + std::string(name) + " is not absolute";
    out = {std::string(name), std::string(path)};
    return {};
}

// A whole number from 1 to `most`, or what is wrong with it.
std::string readNumber(const char* var, const char* text, int most, int& out) {
    const std::string_view value(text);
    int number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (ec != std::errc() || end != value.data() + value.size() || number < 1 || number > most)
        return std::string(var) + ": \"" + printable(value) + "\" is not a number from 1 to " + std::to_string(most);
    out = number;
    return {};
}

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

// The bind: a DN means a simple bind with the password from the file;
// otherwise the local socket lets the server see who we are, and anything
// else is anonymous.
std::string readBind(const Environment& env, Settings& out) {
    const char* bindDn = env(kBindDnVar);
    const char* passwordFile = env(kPasswordFileVar);
    if (isSet(bindDn)) {
        if (!isSet(passwordFile))
            return std::string(kBindDnVar) + " is set but " + kPasswordFileVar +
                   " is not: the password of a bind is read from a file only";
        out.bind = BindKind::Simple;
        out.bindDn = bindDn;
        out.passwordFile = passwordFile;
    } else if (isSet(passwordFile)) {
        return std::string(kPasswordFileVar) + " is set but " + kBindDnVar + " is not";
    } else {
        out.bind = uriScheme(out.uri) == "ldapi" ? BindKind::External : BindKind::Anonymous;
    }
    return {};
}

// Where the servers are, how ssh reaches them, and what names an account on
// them.
std::string readServerSettings(const Environment& env, Settings& out) {
    if (const char* servers = env(kServersVar); isSet(servers)) {
        if (out.volumesSet)
            return std::string(kServersVar) + " and " + kVolumesVar +
                   " are both set: the servers file names the volumes of every server";
        out.serversFile = servers;
    }
    if (const char* config = env(kSshConfigVar); isSet(config))
        out.sshConfig = config;
    if (const char* attribute = env(kAccountAttributeVar); isSet(attribute)) {
        if (!nw::anyAttributeName(attribute))
            return std::string(kAccountAttributeVar) + ": \"" + printable(attribute) + "\" is no attribute name";
        out.accountAttribute = attribute;
    }
    return {};
}

} // namespace

std::string uriScheme(std::string_view uri) {
    const auto colon = uri.find("://");
    if (colon == std::string_view::npos)
        return {};
    std::string scheme(uri.substr(0, colon));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return scheme;
}

std::string parseVolumes(std::string_view text, std::vector<VolumeSetting>& out) {
    std::vector<VolumeSetting> volumes;
    std::vector<std::string> seen;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto comma = std::min(text.find(',', start), text.size());
        VolumeSetting volume;
        const std::string_view item = trimmed(text.substr(start, comma - start));
        if (const std::string error = parseVolume(item, volume); !error.empty())
            return std::string(kVolumesVar) + ": " + error;
        if (std::find(seen.begin(), seen.end(), upper(volume.name)) != seen.end())
            return std::string(kVolumesVar) + ": the volume name " + volume.name + " is given twice";
        if (volumes.size() == nw::kMaxVolumes)
            return std::string(kVolumesVar) + ": more than 64 volumes";
        seen.push_back(upper(volume.name));
        volumes.push_back(std::move(volume));
        start = comma + 1;
    }
    out = std::move(volumes);
    return {};
}

nw::Opened<Settings> readSettings(const Environment& env) {
    Settings settings;
    const char* uri = env(kUriVar);
    settings.uri = uri == nullptr ? "" : uri;
    const std::string scheme = uriScheme(settings.uri);
    if (scheme != "ldap" && scheme != "ldaps" && scheme != "ldapi")
        return nw::Refusal{std::string(kUriVar) + ": \"" + settings.uri + "\" is no ldap://, ldaps:// or ldapi:// URI"};
    // One server: whether a bind needs StartTLS is decided for it alone.
    if (settings.uri.find_first_of(" \t,") != std::string::npos)
        return nw::Refusal{std::string(kUriVar) + ": \"" + settings.uri + "\" is more than one URI"};
    if (std::string error = readBind(env, settings); !error.empty())
        return nw::Refusal{error};
    if (const char* context = env(kContextVar); isSet(context)) {
        nw::DottedName name;
        if (nw::parseName(nw::utf8ToCp1252(context), nw::anyAttributeName, name) != nw::kSuccess)
            return nw::Refusal{std::string(kContextVar) + ": \"" + printable(context) + "\" is no valid dotted name"};
        settings.context = context;
    }
    if (const char* volumes = env(kVolumesVar); isSet(volumes)) {
        settings.volumesSet = true;
        if (std::string error = parseVolumes(volumes, settings.volumes); !error.empty())
            return nw::Refusal{error};
    }
    if (std::string error = readServerSettings(env, settings); !error.empty())
        return nw::Refusal{error};
    const std::tuple<const char*, int, int&> numbers[] = {{kPageSizeVar, kMaxPageSize, settings.pageSize},
                                                          {kTimeoutVar, kMaxTimeoutSeconds, settings.timeoutSeconds},
                                                          {kMaxEntriesVar, kMaxMaxEntries, settings.maxEntries}};
    for (const auto& [var, most, number] : numbers) {
        if (const char* text = env(var); isSet(text)) {
            if (std::string error = readNumber(var, text, most, number); !error.empty())
                return nw::Refusal{error};
        }
    }
    return settings;
}

} // namespace nwldap
