#include "netware/DottedName.h"

#include "netware/Charset.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace nw {
namespace {

constexpr std::string_view kRootName = "[Root]";

// One component's text, still escaped. False when it is no valid component.
bool parseComponent(std::string_view text, TypeRule allowed, NameComponent& out) {
    std::string type;
    std::string value;
    bool typed = false;
    bool escapedInType = false; // an escape before the '=': no type at all
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            if (++i == text.size())
                return false;
            c = text[i];
            escapedInType = escapedInType || !typed;
        } else if (c == '+') {
            return false;
        } else if (c == '=') {
            if (typed)
                return false;
            typed = true;
            type = std::exchange(value, {});
            continue;
        }
        value += c;
    }
    if (value.empty() || (typed && (type.empty() || escapedInType || !allowed(type))))
        return false;
    out = {std::move(type), std::move(value)};
    return true;
}

} // namespace

bool anyAttributeName(std::string_view type) {
    if (type.empty() || std::isalpha(static_cast<unsigned char>(type.front())) == 0)
        return false;
    return std::all_of(type.begin(), type.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-'; });
}

NWRCODE parseName(std::string_view text, TypeRule allowed, DottedName& out) {
    if (text.size() > kMaxDnChars ||
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return kInvalidDsName;
    DottedName name;
    name.root = equalFoldedCp1252(text, kRootName);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size() && !text.empty() && !name.root; ++i) {
        if (i < text.size() && text[i] == '\\') {
            if (i + 1 == text.size())
                return kInvalidDsName;
            ++i; // the escaped character never ends a component
            continue;
        }
        if (i < text.size() && text[i] != '.')
            continue;
        NameComponent component;
        if (!parseComponent(text.substr(start, i - start), allowed, component))
            return kInvalidDsName;
        name.components.push_back(std::move(component));
        start = i + 1;
    }
    out = std::move(name);
    return kSuccess;
}

bool sameType(std::string_view a, std::string_view b) {
    return equalFoldedCp1252(a, b);
}

std::string escapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 4);
    for (const char c : value) {
        if (c == '.' || c == '=' || c == '+' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string componentText(const NameComponent& component) {
    // Built by appending: GCC 12 at -O3 takes a prefix inserted before a
    // temporary string for an overlapping copy and fails the build.
    std::string text = component.type.empty() ? std::string(equalFoldedCp1252(component.value, kRootName) ? "\\" : "")
                                              : component.type + "=";
    text += escapeValue(component.value);
    return text;
}

} // namespace nw
