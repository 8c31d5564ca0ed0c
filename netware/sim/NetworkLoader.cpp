#include "netware/sim/NetworkLoader.h"

#include "netware/Charset.h"
#include "netware/sim/Generator.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace nwsim {
namespace {

using Json = nlohmann::json;

// What makes a description unusable: the JSON pointer of the offending value
// (empty for the top level) and what is wrong with it. Thrown only inside this
// file and turned into the message at loadNetworkJson's edge, so that the
// checks deep in the tree need no error plumbing.
struct Refusal {
    std::string place;
    std::string problem;
};

[[noreturn]] void refuse(std::string place, std::string problem) {
    throw Refusal{std::move(place), std::move(problem)};
}

std::string pointerToken(std::string_view key) {
    std::string token;
    for (const char c : key) {
        if (c == '~')
            token += "~0";
        else if (c == '/')
            token += "~1";
        else
            token += c;
    }
    return token;
}

std::string at(const std::string& base, std::string_view key) {
    return base + '/' + pointerToken(key);
}

std::string at(const std::string& base, std::size_t index) {
    return base + '/' + std::to_string(index);
}

std::string inQuotes(std::string_view text) {
    return '"' + std::string(text) + '"';
}

// ---- Parsing

// Builds the document like nlohmann's own parser does, but refuses a key that
// appears twice in one object (the library would silently keep the last one,
// dropping part of the network) and nesting beyond kMaxJsonNesting.
class DomBuilder final : public nlohmann::json_sax<Json> {
public:
    Json root;
    std::optional<Refusal> refusal;
    std::optional<std::size_t> syntaxPosition;
    std::string syntaxMessage;

    bool null() override { return add(Json(nullptr)); }
    bool boolean(bool value) override { return add(Json(value)); }
    bool number_integer(number_integer_t value) override { return add(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return add(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return add(Json(value)); }
    bool string(string_t& value) override { return add(Json(value)); }
    bool binary(binary_t&) override { return false; } // the text parser never produces one

    bool start_object(std::size_t) override { return open(Json::object()); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        key_ = name;
        if (frames_.back().value->contains(name)) {
            refusal = Refusal{childPointer(), "the key " + inQuotes(name) + " appears twice in one object"};
            return false;
        }
        return true;
    }

    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
        syntaxPosition = position;
        syntaxMessage = error.what();
        return false;
    }

private:
    struct Frame {
        Json* value;
        std::string pointer;
    };

    std::string childPointer() const {
        const Frame& frame = frames_.back();
        return frame.value->is_array() ? at(frame.pointer, frame.value->size()) : at(frame.pointer, key_);
    }

    Json* insert(Json value) {
        if (frames_.empty()) {
            root = std::move(value);
            return &root;
        }
        Json& container = *frames_.back().value;
        if (container.is_array()) {
            container.push_back(std::move(value));
            return &container.back();
        }
        Json& slot = container[key_];
        slot = std::move(value);
        return &slot;
    }

    bool add(Json value) {
        insert(std::move(value));
        return true;
    }

    bool open(Json value) {
        std::string pointer = frames_.empty() ? std::string() : childPointer();
        if (frames_.size() >= kMaxJsonNesting) {
            refusal = Refusal{pointer, "nested more than " + std::to_string(kMaxJsonNesting) + " levels deep"};
            return false;
        }
        Json* opened = insert(std::move(value));
        frames_.push_back({opened, std::move(pointer)});
        return true;
    }

    bool close() {
        frames_.pop_back();
        return true;
    }

    std::vector<Frame> frames_;
    std::string key_;
};

// nlohmann reports how many bytes it had read when it gave up; the last of
// them is the offending character. Columns count characters, not bytes, so
// that they match what an editor shows.
std::string syntaxPlace(std::string_view text, std::size_t bytesRead) {
    const std::size_t last = std::min(bytesRead == 0 ? 0 : bytesRead - 1, text.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < last; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    std::size_t column = 0;
    for (std::size_t i = lineStart; i < std::min(last + 1, text.size()); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++column;
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(std::max<std::size_t>(column, 1));
}

// Turns "[json.exception.parse_error.101] parse error at line 3, column 8:
// syntax error while parsing value - invalid literal; last read: '...'" into
// "invalid literal". The echo of the last token goes: it may hold the very
// bytes that are not UTF-8.
std::string syntaxProblem(std::string message) {
    if (const auto column = message.find("column "); column != std::string::npos) {
        if (const auto colon = message.find(": ", column); colon != std::string::npos)
            message.erase(0, colon + 2);
    }
    if (message.starts_with("syntax error")) {
        if (const auto dash = message.find(" - "); dash != std::string::npos)
            message.erase(0, dash + 3);
    }
    // The echo may itself hold "'; ", so its end is found from the back: the
    // parser adds "; expected <token>" after it, or nothing, and <token> is
    // one of its own names. Whatever else follows belongs to the echo.
    if (const auto echo = message.find("; last read: '"); echo != std::string::npos) {
        static constexpr std::string_view kExpected = "'; expected ";
        static constexpr std::array<std::string_view, 13> kTokens = {"true literal",
                                                                     "false literal",
                                                                     "null literal",
                                                                     "string literal",
                                                                     "number literal",
                                                                     "'['",
                                                                     "'{'",
                                                                     "']'",
                                                                     "'}'",
                                                                     "':'",
                                                                     "','",
                                                                     "end of input",
                                                                     "'[', '{', or a literal"};
        std::string expected;
        if (const auto at = message.rfind(kExpected); at != std::string::npos && at > echo) {
            const std::string_view token = std::string_view(message).substr(at + kExpected.size());
            if (std::find(kTokens.begin(), kTokens.end(), token) != kTokens.end())
                expected = "; expected " + std::string(token);
        }
        message.erase(echo);
        message += expected;
    }
    return "not valid JSON: " + message;
}

// ---- Reading values

std::string describe(const Json& value) {
    switch (value.type()) {
    case Json::value_t::object:
        return "an object";
    case Json::value_t::array:
        return "an array";
    case Json::value_t::string:
        return "a string";
    case Json::value_t::boolean:
        return value.get<bool>() ? "true" : "false";
    case Json::value_t::null:
        return "null";
    default:
        return "the number " + value.dump();
    }
}

const std::string& text(const Json& value, const std::string& place) {
    if (!value.is_string())
        refuse(place, "expected a string, found " + describe(value));
    return value.get_ref<const std::string&>();
}

const Json::array_t& array(const Json& value, const std::string& place) {
    if (!value.is_array())
        refuse(place, "expected an array, found " + describe(value));
    return value.get_ref<const Json::array_t&>();
}

[[noreturn]] void outOfRange(const Json& value, const std::string& place, const std::string& min,
                             const std::string& max) {
    refuse(place, "the number " + value.dump() + " is out of range (" + min + " to " + max + ")");
}

// Whole numbers may be written 3 or 3.0, as JSON Schema's "integer" allows.
std::uint64_t wholeNumber(const Json& value, const std::string& place, std::uint64_t min, std::uint64_t max) {
    const auto range = [&] { outOfRange(value, place, std::to_string(min), std::to_string(max)); };
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (n < min || n > max)
            range();
        return n;
    }
    if (value.is_number_integer()) // negative: the unsigned case came first
        range();
    if (value.is_number_float()) {
        const double d = value.get<double>();
        if (!std::isfinite(d) || d != std::floor(d))
            refuse(place, "expected a whole number, found " + describe(value));
        if (d < 0 || d >= 0x1p64 || static_cast<std::uint64_t>(d) < min || static_cast<std::uint64_t>(d) > max)
            range();
        return static_cast<std::uint64_t>(d);
    }
    refuse(place, "expected a whole number, found " + describe(value));
}

std::int64_t signedWholeNumber(const Json& value, const std::string& place, std::int64_t min, std::int64_t max) {
    const auto range = [&] { outOfRange(value, place, std::to_string(min), std::to_string(max)); };
    if (value.is_number_unsigned()) {
        if (value.get<std::uint64_t>() > static_cast<std::uint64_t>(max))
            range();
        return value.get<std::int64_t>();
    }
    if (value.is_number_integer()) {
        const auto n = value.get<std::int64_t>();
        if (n < min || n > max)
            range();
        return n;
    }
    if (value.is_number_float()) {
        const double d = value.get<double>();
        if (!std::isfinite(d) || d != std::floor(d))
            refuse(place, "expected a whole number, found " + describe(value));
        if (d < static_cast<double>(min) || d > static_cast<double>(max))
            range();
        return static_cast<std::int64_t>(d);
    }
    refuse(place, "expected a whole number, found " + describe(value));
}

double fraction(const Json& value, const std::string& place) {
    if (!value.is_number())
        refuse(place, "expected a number, found " + describe(value));
    const double d = value.get<double>();
    if (d < 0.0 || d > 1.0)
        outOfRange(value, place, "0", "1");
    return d;
}

// C0 controls, DEL and the C1 controls (U+0080 to U+009F, encoded C2 80 to
// C2 9F). Checked on the UTF-8 text, before the conversion could turn a C1
// control into one of the five undefined bytes of the 8-bit set.
bool hasControlCharacter(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x20 || b == 0x7F)
            return true;
        if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

std::string folded(std::string_view cp1252) {
    std::string out(cp1252);
    for (char& c : out)
        c = nw::foldCp1252(c);
    return out;
}

// Typed names escape these characters with a backslash, so each takes two
// characters of the 256 that a distinguished name may hold.
std::size_t escapedLength(std::string_view name) {
    std::size_t length = name.size();
    for (const char c : name) {
        if (c == '.' || c == '=' || c == '+' || c == '\\')
            ++length;
    }
    return length;
}

// ---- The format's objects

const std::vector<FormatObject>& formatObjects() {
    static const std::vector<FormatObject> objects = {
        {"network",
         {"servers", "defaultServer", "defaultContext", "tree", "generate", "chunkLimit", "serverBatchLimit", "latency",
          "faults"},
         {}},
        {"server", {"name", "volumes"}, {"name", "volumes"}},
        {"volume", {"number", "name"}, {"number", "name"}},
        {"object", {"name", "class", "id", "usage", "children"}, {"name", "class"}},
        {"usage", {"server", "volume", "inUse", "restriction"}, {"server", "volume", "inUse"}},
        {"latency", {"all", "calls"}, {}},
        {"fault", {"call", "code", "server", "name", "volume", "occurrence"}, {"call", "code"}},
        {"generate",
         {"objects", "objectsPerContainer", "depth", "servers", "volumesPerServer", "usageFraction", "seed"},
         {"objects"}},
    };
    return objects;
}

const FormatObject& format(std::string_view kind) {
    for (const auto& object : formatObjects()) {
        if (object.kind == kind)
            return object;
    }
    refuse("", "internal error: no format for " + std::string(kind));
}

std::string listed(const std::vector<std::string_view>& names) {
    std::string out;
    for (const auto name : names)
        out += (out.empty() ? "" : ", ") + std::string(name);
    return out;
}

// The object at `place` must be a JSON object of the given kind: only its keys
// and every required one.
const Json& checkedObject(const Json& value, const std::string& place, std::string_view kind) {
    if (!value.is_object())
        refuse(place, "expected an object, found " + describe(value));
    const FormatObject& spec = format(kind);
    for (const auto& [key, member] : value.items()) {
        if (std::find(spec.keys.begin(), spec.keys.end(), key) == spec.keys.end())
            refuse(at(place, key), "unknown key " + inQuotes(key) + " (allowed here: " + listed(spec.keys) + ")");
    }
    for (const auto key : spec.required) {
        if (!value.contains(key))
            refuse(place, "missing key " + inQuotes(key));
    }
    return value;
}

const Json* member(const Json& object, std::string_view key) {
    const auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

bool isCallName(std::string_view name) {
    return std::find(kClientCallNames.begin(), kClientCallNames.end(), name) != kClientCallNames.end();
}

std::string classList() {
    std::string out;
    for (int c = 0; c <= static_cast<int>(ObjectClass::Other); ++c)
        out += (out.empty() ? "" : ", ") + std::string(className(static_cast<ObjectClass>(c)));
    return out;
}

// ---- The reader

class Reader {
public:
    Network read(const Json& document);

private:
    using SiblingNames = std::unordered_map<std::string, std::string>; // folded name -> where it stands

    void readServers(const Json& value, const std::string& place);
    void readGenerate(const Json& value, const std::string& place);
    void readTree(const Json* value, const std::string& place);
    std::uint32_t readObject(const Json& value, const std::string& place, std::uint32_t parent,
                             std::size_t parentNameLength, SiblingNames& siblings);
    void readUsages(const Json& value, const std::string& place, std::uint32_t entry);
    void assignObjectIds();
    void indexServers();
    std::uint32_t serverNamed(const std::string& utf8, const std::string& place) const;
    void readLatency(const Json& value, const std::string& place);
    void readFaults(const Json& value, const std::string& place);
    std::string typedName(std::uint32_t entry) const;

    Network net_;
    std::unordered_map<std::string, std::uint32_t> serverIndex_; // folded name -> index
    std::unordered_map<nw::nuint32, std::string> givenIds_;      // ID -> where it was given
    std::vector<bool> hasGivenId_;
};

Network Reader::read(const Json& document) {
    checkedObject(document, "", "network");
    const Json* servers = member(document, "servers");
    const Json* tree = member(document, "tree");
    // A generated network brings its own servers and tree; mixing in written
    // ones would make the generated names and IDs depend on them.
    if (const Json* generate = member(document, "generate")) {
        if (servers != nullptr || tree != nullptr)
            refuse(servers != nullptr ? "/servers" : "/tree",
                   "cannot be combined with \"generate\", which makes the servers and the tree itself");
        readGenerate(*generate, "/generate");
        indexServers();
    } else {
        if (servers == nullptr)
            refuse("", "missing key \"servers\" (or \"generate\")");
        readServers(*servers, "/servers");
        readTree(tree, "/tree");
    }

    if (const Json* v = member(document, "defaultServer"))
        net_.defaultServer = serverNamed(text(*v, "/defaultServer"), "/defaultServer");
    if (const Json* v = member(document, "defaultContext")) {
        const std::string& context = text(*v, "/defaultContext");
        if (hasControlCharacter(context))
            refuse("/defaultContext", "the default context contains a control character");
        net_.defaultContext = nw::utf8ToCp1252(context);
        if (net_.defaultContext.size() > nw::kMaxDnChars)
            refuse("/defaultContext", "the default context is " + std::to_string(net_.defaultContext.size()) +
                                          " characters long; at most " + std::to_string(nw::kMaxDnChars) + " fit");
    }
    if (const Json* v = member(document, "chunkLimit"))
        net_.chunkLimit = static_cast<std::uint32_t>(wholeNumber(*v, "/chunkLimit", 0, UINT32_MAX));
    if (const Json* v = member(document, "serverBatchLimit"))
        net_.serverBatchLimit = static_cast<std::uint32_t>(wholeNumber(*v, "/serverBatchLimit", 0, UINT32_MAX));
    if (const Json* v = member(document, "latency"))
        readLatency(*v, "/latency");
    if (const Json* v = member(document, "faults"))
        readFaults(*v, "/faults");
    return std::move(net_);
}

void Reader::readServers(const Json& value, const std::string& place) {
    const auto& list = array(value, place);
    if (list.empty())
        refuse(place, "at least one server is needed: the default connection is to one of them");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string serverPlace = at(place, i);
        const Json& server = checkedObject(list[i], serverPlace, "server");

        const std::string namePlace = at(serverPlace, "name");
        const std::string& utf8 = text(server["name"], namePlace);
        if (utf8.empty())
            refuse(namePlace, "a server name cannot be empty");
        if (hasControlCharacter(utf8))
            refuse(namePlace, "the server name " + inQuotes(utf8) + " contains a control character");
        std::string name = nw::utf8ToCp1252(utf8);
        if (name.size() > 47)
            refuse(namePlace, "the server name " + inQuotes(utf8) + " is longer than 47 characters");
        // A character the 8-bit set cannot hold has become '?', which is
        // refused here like a written one.
        if (const auto bad = name.find_first_of(" /\\:;,*?[]"); bad != std::string::npos)
            refuse(namePlace, "the server name " + inQuotes(utf8) + " contains " + inQuotes(std::string(1, name[bad])) +
                                  ", which server names cannot hold (nor spaces, / \\ : ; , * ? [ ])");
        const auto index = static_cast<std::uint32_t>(net_.servers.size());
        if (const auto [it, added] = serverIndex_.emplace(folded(name), index); !added)
            refuse(namePlace, "the server name " + inQuotes(utf8) + " is already used by " + at(place, it->second) +
                                  " (server names ignore case)");

        Server out;
        out.name = std::move(name);
        const std::string volumesPlace = at(serverPlace, "volumes");
        const auto& volumes = array(server["volumes"], volumesPlace);
        std::unordered_map<int, std::size_t> numbers;
        std::unordered_map<std::string, std::size_t> names;
        for (std::size_t v = 0; v < volumes.size(); ++v) {
            const std::string volumePlace = at(volumesPlace, v);
            const Json& volume = checkedObject(volumes[v], volumePlace, "volume");
            const auto number = static_cast<int>(wholeNumber(volume["number"], at(volumePlace, "number"), 0, 63));
            if (const auto [it, added] = numbers.emplace(number, v); !added)
                refuse(at(volumePlace, "number"), "volume number " + std::to_string(number) + " is already used by " +
                                                      at(volumesPlace, it->second));
            const std::string volumeNamePlace = at(volumePlace, "name");
            const std::string& volumeUtf8 = text(volume["name"], volumeNamePlace);
            if (volumeUtf8.empty())
                refuse(volumeNamePlace, "a volume name cannot be empty");
            if (hasControlCharacter(volumeUtf8))
                refuse(volumeNamePlace, "the volume name " + inQuotes(volumeUtf8) + " contains a control character");
            std::string volumeName = nw::utf8ToCp1252(volumeUtf8);
            if (volumeName.size() > 16)
                refuse(volumeNamePlace, "the volume name " + inQuotes(volumeUtf8) + " is longer than 16 characters");
            if (const auto [it, added] = names.emplace(folded(volumeName), v); !added)
                refuse(volumeNamePlace, "the volume name " + inQuotes(volumeUtf8) + " is already used by " +
                                            at(volumesPlace, it->second) + " (volume names ignore case)");
            out.volumes.push_back({static_cast<nw::nuint16>(number), std::move(volumeName)});
        }
        std::sort(out.volumes.begin(), out.volumes.end(),
                  [](const Volume& a, const Volume& b) { return a.number < b.number; });
        net_.servers.push_back(std::move(out));
    }
}

void Reader::readGenerate(const Json& value, const std::string& place) {
    const Json& g = checkedObject(value, place, "generate");
    GeneratorSettings s;
    const auto figure = [&](std::string_view key, std::uint32_t& out, std::uint32_t min, std::uint32_t max) {
        if (const Json* v = member(g, key))
            out = static_cast<std::uint32_t>(wholeNumber(*v, at(place, key), min, max));
    };
    figure("objects", s.objects, 0, kMaxGeneratedObjects);
    figure("objectsPerContainer", s.objectsPerContainer, 1, kMaxObjectsPerContainer);
    figure("depth", s.depth, 1, kMaxGeneratedDepth);
    figure("servers", s.servers, 1, kMaxGeneratedServers);
    figure("volumesPerServer", s.volumesPerServer, 1, nw::kMaxVolumes);
    if (const Json* v = member(g, "usageFraction"))
        s.usageFraction = fraction(*v, at(place, "usageFraction"));
    if (const Json* v = member(g, "seed"))
        s.seed = wholeNumber(*v, at(place, "seed"), 0, UINT64_MAX);
    net_ = generateNetwork(s);
}

void Reader::readTree(const Json* value, const std::string& place) {
    Entry root;
    root.name = "[Root]";
    net_.entries.push_back(std::move(root));
    hasGivenId_.push_back(false);
    if (value != nullptr) {
        const auto& list = array(*value, place);
        SiblingNames siblings;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::uint32_t child = readObject(list[i], at(place, i), 0, 0, siblings);
            net_.entries[0].children.push_back(child);
            net_.entries[0].containers.push_back(child); // only containers stand at the top
        }
    }
    assignObjectIds();
}

std::uint32_t Reader::readObject(const Json& value, const std::string& place, std::uint32_t parent,
                                 std::size_t parentNameLength, SiblingNames& siblings) {
    const Json& object = checkedObject(value, place, "object");

    const std::string classPlace = at(place, "class");
    const std::string& classText = text(object["class"], classPlace);
    const auto cls = classFromName(classText);
    if (!cls)
        refuse(classPlace, "unknown class " + inQuotes(classText) + " (known: " + classList() + ")");
    if (parent == 0 && *cls != ObjectClass::Country && *cls != ObjectClass::Organization)
        refuse(classPlace,
               "only a Country or an Organization can stand directly below [Root], not " + inQuotes(classText));

    const std::string namePlace = at(place, "name");
    const std::string& utf8 = text(object["name"], namePlace);
    if (utf8.empty())
        refuse(namePlace, "a name cannot be empty");
    if (hasControlCharacter(utf8))
        refuse(namePlace, "the name " + inQuotes(utf8) + " contains a control character");
    std::string name = nw::utf8ToCp1252(utf8);
    const std::size_t ownLength = std::string_view(namingAttribute(*cls)).size() + 1 + escapedLength(name);
    const std::size_t nameLength = parent == 0 ? ownLength : ownLength + 1 + parentNameLength;
    if (nameLength > nw::kMaxDnChars) {
        const std::string own = std::string(namingAttribute(*cls)) + "=" + utf8;
        refuse(namePlace, "the full name " + (parent == 0 ? own : own + "." + typedName(parent)) + " is " +
                              std::to_string(nameLength) + " characters long; at most " +
                              std::to_string(nw::kMaxDnChars) + " fit");
    }
    if (const auto [it, added] = siblings.emplace(folded(name), namePlace); !added)
        refuse(namePlace, "the name " + inQuotes(utf8) + " is already used in this container, by " + it->second +
                              " (names ignore case)");

    const auto index = static_cast<std::uint32_t>(net_.entries.size());
    Entry entry;
    entry.name = std::move(name);
    entry.cls = *cls;
    entry.parent = parent;
    bool givenId = false;
    if (const Json* v = member(object, "id")) {
        const std::string idPlace = at(place, "id");
        entry.objectId = static_cast<nw::nuint32>(wholeNumber(*v, idPlace, 1, UINT32_MAX));
        if (const auto [it, added] = givenIds_.emplace(entry.objectId, idPlace); !added)
            refuse(idPlace, "object ID " + std::to_string(entry.objectId) + " is already given at " + it->second);
        givenId = true;
    }
    net_.entries.push_back(std::move(entry));
    hasGivenId_.push_back(givenId);

    if (const Json* v = member(object, "usage"))
        readUsages(*v, at(place, "usage"), index);

    if (const Json* v = member(object, "children")) {
        const std::string childrenPlace = at(place, "children");
        const auto& list = array(*v, childrenPlace);
        if (!list.empty() && !isContainerClass(*cls))
            refuse(childrenPlace, "a " + classText + " is a leaf object and cannot hold other objects");
        SiblingNames names;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::uint32_t child = readObject(list[i], at(childrenPlace, i), index, nameLength, names);
            // Index again after every child: reading it grew the vector.
            net_.entries[index].children.push_back(child);
            if (isContainerClass(net_.entries[child].cls))
                net_.entries[index].containers.push_back(child);
        }
    }
    return index;
}

void Reader::readUsages(const Json& value, const std::string& place, std::uint32_t entry) {
    const auto& list = array(value, place);
    const auto begin = static_cast<std::uint32_t>(net_.usages.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string usagePlace = at(place, i);
        const Json& usage = checkedObject(list[i], usagePlace, "usage");
        Usage out;
        const std::string serverPlace = at(usagePlace, "server");
        out.server = serverNamed(text(usage["server"], serverPlace), serverPlace);
        const Server& server = net_.servers[out.server];
        const std::string volumePlace = at(usagePlace, "volume");
        out.volume = static_cast<nw::nuint16>(wholeNumber(usage["volume"], volumePlace, 0, 63));
        if (std::none_of(server.volumes.begin(), server.volumes.end(),
                         [&](const Volume& v) { return v.number == out.volume; }))
            refuse(volumePlace,
                   "the server " + nw::cp1252ToUtf8(server.name) + " has no volume " + std::to_string(out.volume));
        for (std::uint32_t u = begin; u < net_.usages.size(); ++u) {
            if (net_.usages[u].server == out.server && net_.usages[u].volume == out.volume)
                refuse(usagePlace, "a second figure for volume " + std::to_string(out.volume) + " of " +
                                       nw::cp1252ToUtf8(server.name) + " (the first is " + at(place, u - begin) + ")");
        }
        out.inUse = static_cast<nw::nint32>(wholeNumber(usage["inUse"], at(usagePlace, "inUse"), 0, INT32_MAX));
        if (const Json* v = member(usage, "restriction"))
            out.restriction = static_cast<nw::nint32>(wholeNumber(*v, at(usagePlace, "restriction"), 0, INT32_MAX));
        net_.usages.push_back(out);
    }
    net_.entries[entry].usageBegin = begin;
    net_.entries[entry].usageCount = static_cast<std::uint32_t>(net_.usages.size()) - begin;
}

void Reader::assignObjectIds() {
    std::uint64_t next = kFirstAutomaticObjectId;
    for (std::size_t i = 0; i < net_.entries.size(); ++i) {
        if (hasGivenId_[i])
            continue;
        while (givenIds_.contains(static_cast<nw::nuint32>(next)))
            ++next;
        if (next > UINT32_MAX)
            refuse("/tree", "too many objects to give each its own object ID");
        net_.entries[i].objectId = static_cast<nw::nuint32>(next++);
    }
}

void Reader::indexServers() {
    for (std::uint32_t i = 0; i < net_.servers.size(); ++i)
        serverIndex_.emplace(folded(net_.servers[i].name), i);
}

std::uint32_t Reader::serverNamed(const std::string& utf8, const std::string& place) const {
    const auto it = serverIndex_.find(folded(nw::utf8ToCp1252(utf8)));
    if (it == serverIndex_.end())
        refuse(place, "there is no server named " + inQuotes(utf8));
    return it->second;
}

void Reader::readLatency(const Json& value, const std::string& place) {
    const Json& latency = checkedObject(value, place, "latency");
    if (const Json* v = member(latency, "all"))
        net_.latencyMicros = static_cast<std::uint32_t>(wholeNumber(*v, at(place, "all"), 0, kMaxLatencyMicros));
    if (const Json* v = member(latency, "calls")) {
        const std::string callsPlace = at(place, "calls");
        if (!v->is_object())
            refuse(callsPlace, "expected an object, found " + describe(*v));
        for (const auto& [call, micros] : v->items()) {
            if (!isCallName(call))
                refuse(at(callsPlace, call), "unknown call " + inQuotes(call));
            net_.callLatencyMicros[call] =
                static_cast<std::uint32_t>(wholeNumber(micros, at(callsPlace, call), 0, kMaxLatencyMicros));
        }
    }
}

void Reader::readFaults(const Json& value, const std::string& place) {
    const auto& list = array(value, place);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string faultPlace = at(place, i);
        const Json& fault = checkedObject(list[i], faultPlace, "fault");
        Fault out;
        const std::string callPlace = at(faultPlace, "call");
        out.call = text(fault["call"], callPlace);
        if (!isCallName(out.call))
            refuse(callPlace, "unknown call " + inQuotes(out.call));
        out.code =
            static_cast<nw::NWRCODE>(signedWholeNumber(fault["code"], at(faultPlace, "code"), INT32_MIN, INT32_MAX));
        // A fault naming a server the network lacks could never fire: most
        // likely a typing error, which would otherwise go unnoticed.
        if (const Json* v = member(fault, "server")) {
            const std::string serverPlace = at(faultPlace, "server");
            out.server = net_.servers[serverNamed(text(*v, serverPlace), serverPlace)].name;
        }
        if (const Json* v = member(fault, "name"))
            out.name = nw::utf8ToCp1252(text(*v, at(faultPlace, "name")));
        if (const Json* v = member(fault, "volume"))
            out.volume = static_cast<int>(wholeNumber(*v, at(faultPlace, "volume"), 0, UINT16_MAX));
        if (const Json* v = member(fault, "occurrence"))
            out.occurrence = static_cast<unsigned>(wholeNumber(*v, at(faultPlace, "occurrence"), 1, UINT32_MAX));
        net_.faults.push_back(std::move(out));
    }
}

// The typed distinguished name of an entry already read, as UTF-8, for messages.
std::string Reader::typedName(std::uint32_t entry) const {
    std::string out;
    for (std::uint32_t e = entry; e != 0 && e != kNoEntry; e = net_.entries[e].parent) {
        const Entry& x = net_.entries[e];
        out += (out.empty() ? "" : ".") + std::string(namingAttribute(x.cls)) + "=" + nw::cp1252ToUtf8(x.name);
    }
    return out;
}

LoadResult failure(const std::string& source, const std::string& place, const std::string& problem) {
    return {std::nullopt, source + ": " + (place.empty() ? "top level" : place) + ": " + problem};
}

} // namespace

const std::vector<FormatObject>& networkFormatObjects() {
    return formatObjects();
}

LoadResult loadNetworkJson(std::string_view text, const std::string& sourceName) {
    try {
        DomBuilder builder;
        if (!Json::sax_parse(text, &builder, Json::input_format_t::json, true, false)) {
            if (builder.refusal)
                return failure(sourceName, builder.refusal->place, builder.refusal->problem);
            if (builder.syntaxPosition)
                return failure(sourceName, syntaxPlace(text, *builder.syntaxPosition),
                               syntaxProblem(builder.syntaxMessage));
            return failure(sourceName, "", "not valid JSON");
        }
        Reader reader;
        return {reader.read(builder.root), {}};
    } catch (const Refusal& refusal) {
        return failure(sourceName, refusal.place, refusal.problem);
    } catch (const std::bad_alloc&) {
        return failure(sourceName, "", "the network does not fit in the memory available");
    } catch (const std::exception& e) {
        return failure(sourceName, "", std::string("cannot be read: ") + e.what());
    }
}

LoadResult loadNetworkFile(const std::string& path) {
    const auto unreadable = [&](const std::string& why) { return LoadResult{std::nullopt, path + ": " + why}; };
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return unreadable("cannot be read: there is no such file");
    if (ec)
        return unreadable("cannot be read: " + ec.message());
    if (status.type() == std::filesystem::file_type::directory)
        return unreadable("cannot be read: it is a directory, not a file");

    std::ifstream in(path, std::ios::binary);
    if (!in)
        return unreadable("cannot be read: " + std::generic_category().message(errno));
    // Read in pieces rather than trusting the size the file system reports, so
    // that pipes and files that grow while being read are bounded too.
    std::string content;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        content.append(piece, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxNetworkFileBytes)
            return unreadable("cannot be read: it is larger than " + std::to_string(kMaxNetworkFileBytes >> 20) +
                              " MiB");
    }
    if (in.bad())
        return unreadable("cannot be read: " + std::generic_category().message(errno));
    return loadNetworkJson(content, path);
}

} // namespace nwsim
