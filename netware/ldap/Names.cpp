#include "netware/ldap/Names.h"

#include "netware/Charset.h"

#include <algorithm>
#include <cctype>

namespace nwldap {
namespace {

bool attributeName(std::string_view type) {
    if (type.empty() || std::isalpha(static_cast<unsigned char>(type.front())) == 0)
        return false;
    return std::all_of(type.begin(), type.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-'; });
}

// One component's text, still escaped. False when it is no valid component.
bool parseComponent(std::string_view text, NameComponent& out) {
    std::string type;
    std::string value;
    bool typed = false;
    bool escapedInFirstPart = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            if (++i == text.size())
                return false;
            c = text[i];
            escapedInFirstPart = escapedInFirstPart || !typed;
        } else if (c == '+') {
            return false;
        } else if (c == '=') {
            if (typed)
                return false;
            typed = true;
            type = std::move(value);
            value.clear();
            continue;
        }
        value += c;
    }
    if (typed && (escapedInFirstPart || !attributeName(type)))
        return false;
    if (value.empty())
        return false;
    out = {std::move(type), std::move(value)};
    return true;
}

bool isRootText(std::string_view text) {
    return foldedKey(text) == foldedKey("[Root]");
}

} // namespace

nw::NWRCODE parseName(std::string_view text, DottedName& out) {
    if (text.size() > nw::kMaxDnChars)
        return nw::kInvalidDsName;
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return nw::kInvalidDsName;
    DottedName name;
    if (isRootText(text)) {
        name.root = true;
        out = std::move(name);
        return nw::kSuccess;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size() && !text.empty(); ++i) {
        if (i < text.size() && text[i] == '\\') {
            if (i + 1 == text.size())
                return nw::kInvalidDsName;
            ++i; // the escaped character never ends a component
            continue;
        }
        if (i < text.size() && text[i] != '.')
            continue;
        NameComponent component;
        if (!parseComponent(text.substr(start, i - start), component))
            return nw::kInvalidDsName;
        name.components.push_back(std::move(component));
        start = i + 1;
    }
    out = std::move(name);
    return nw::kSuccess;
}

std::string escapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '.' || c == '=' || c == '+' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string foldedKey(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = nw::foldCp1252(c);
    return out;
}

bool sameType(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace nwldap
