#pragma once

// Inside the network loader (NetworkLoader.h is its face): the JSON document,
// the readers of its values and the reader that turns it into a Network.
//
// What makes a description unusable is thrown as a Refusal: the place (a JSON
// pointer, empty for the top level, or a line and column for text that is no
// JSON) and the problem. loadNetworkJson turns it into the one message, so
// that the checks deep in the tree need no error plumbing.

#include "netware/sim/NetworkLoader.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nwsim::loader {

using Json = nlohmann::json;

struct Refusal {
    std::string place;
    std::string problem;
};

[[noreturn]] void refuse(std::string place, std::string problem);

// JSON pointers: the member `key`, or the element `index`, of `base`.
std::string at(const std::string& base, std::string_view key);
std::string at(const std::string& base, std::size_t index);
std::string inQuotes(std::string_view text);

// The document in `text`; refuses text that is no JSON, a key that appears
// twice in one object and nesting deeper than kMaxJsonNesting.
Json parseDocument(std::string_view text);

// ---- Values, each read or refused at `place`

// "an object", "a string", "the number 3" ...
std::string describe(const Json& value);
const std::string& text(const Json& value, const std::string& place);
const Json::array_t& array(const Json& value, const std::string& place);
// Whole numbers may be written 3 or 3.0, as JSON Schema's "integer" allows.
std::uint64_t wholeNumber(const Json& value, const std::string& place, std::uint64_t min, std::uint64_t max);
std::int64_t signedWholeNumber(const Json& value, const std::string& place, std::int64_t min, std::int64_t max);
double fraction(const Json& value, const std::string& place);

// The value must be a JSON object of the format's `kind`: only its keys and
// every required one.
const Json& checkedObject(const Json& value, const std::string& place, std::string_view kind);
// The member, or nullptr when the object does not have it.
const Json* member(const Json& object, std::string_view key);
const std::vector<FormatObject>& formatObjects();

// ---- The network

class NetworkReader {
public:
    Network read(const Json& document);

private:
    using SiblingNames = std::unordered_map<std::string, std::string>; // folded name -> where it stands

    void readServers(const Json& value, const std::string& place);
    void readGenerate(const Json& value, const std::string& place);
    void admitServer(Server server, const std::string& place);
    std::uint32_t serverNamed(const std::string& utf8, const std::string& place) const;
    void readSettings(const Json& document);
    void readLatency(const Json& value, const std::string& place);
    void readFaults(const Json& value, const std::string& place);

    void readTree(const Json* value, const std::string& place);
    std::uint32_t readObject(const Json& value, const std::string& place, std::uint32_t parent,
                             std::size_t parentNameLength, SiblingNames& siblings);
    std::size_t checkedNameLength(const Entry& entry, const std::string& utf8, const std::string& place,
                                  std::size_t parentNameLength) const;
    void readId(const Json& object, const std::string& place, Entry& entry);
    void readChildren(const Json& list, const std::string& place, std::uint32_t parent, std::size_t nameLength);
    void readUsages(const Json& value, const std::string& place, std::uint32_t entry);
    void assignObjectIds();
    std::string typedName(std::uint32_t entry) const;

    Network net_;
    std::unordered_map<std::string, std::uint32_t> serverIndex_; // folded name -> index
    std::unordered_map<nw::nuint32, std::string> givenIds_;      // ID -> where it was given
    std::vector<bool> hasGivenId_;
};

} // namespace nwsim::loader
