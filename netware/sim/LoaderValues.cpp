#include "netware/sim/NetworkReader.h"

#include <algorithm>
#include <cmath>

namespace nwsim::loader {
namespace {

[[noreturn]] void outOfRange(const Json& value, const std::string& place, const std::string& min,
                             const std::string& max) {
    refuse(place, "the number " + value.dump() + " is out of range (" + min + " to " + max + ")");
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

} // namespace

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
    if (value.is_number_integer()) { // negative: the unsigned case came first
        const auto n = value.get<std::int64_t>();
        if (n < min)
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

} // namespace nwsim::loader
