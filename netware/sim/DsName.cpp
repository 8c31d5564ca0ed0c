#include "netware/sim/DsName.h"

#include "netware/Charset.h"

#include <array>
#include <utility>

namespace nwsim {
namespace {

constexpr std::string_view kRootName = "[Root]";

// The attribute types that name objects of the classes the directory holds.
constexpr std::array<std::string_view, 5> kNamingTypes = {"C", "O", "OU", "L", "CN"};

bool needsEscape(char c) {
    return c == '.' || c == '=' || c == '+' || c == '\\';
}

// Collects one component while the text is scanned.
struct Pending {
    std::string type;
    std::string text;
    bool typed = false;
    bool typeEscaped = false; // an escape before the '=': not a type at all

    bool finish(std::vector<DsComponent>& into) {
        if (!typed) {
            if (text.empty())
                return false;
            into.push_back({{}, std::move(text)});
        } else {
            if (type.empty() || text.empty() || typeEscaped)
                return false;
            // Types are ASCII: folding them is putting them in upper case.
            std::string normal = nw::foldedCp1252(type);
            bool known = false;
            for (auto t : kNamingTypes)
                known = known || normal == t;
            if (!known)
                return false;
            into.push_back({std::move(normal), std::move(text)});
        }
        *this = Pending{};
        return true;
    }
};

} // namespace

nw::NWRCODE parseDsName(std::string_view text, DsName& out) {
    if (text.size() > nw::kMaxDnChars)
        return nw::kInvalidDsName;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20)
            return nw::kInvalidDsName;
    }
    DsName parsed;
    if (nw::equalFoldedCp1252(text, kRootName)) {
        parsed.root = true;
        out = std::move(parsed);
        return nw::kSuccess;
    }
    if (text.empty()) {
        out = std::move(parsed);
        return nw::kSuccess;
    }

    Pending pending;
    bool escapedSoFar = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            if (i + 1 == text.size())
                return nw::kInvalidDsName;
            pending.text += text[++i];
            escapedSoFar = true;
        } else if (c == '.') {
            if (!pending.finish(parsed.components))
                return nw::kInvalidDsName;
            escapedSoFar = false;
        } else if (c == '=') {
            if (pending.typed)
                return nw::kInvalidDsName;
            pending.typed = true;
            pending.typeEscaped = escapedSoFar;
            pending.type = std::exchange(pending.text, {});
        } else if (c == '+') {
            return nw::kInvalidDsName;
        } else {
            pending.text += c;
        }
    }
    if (!pending.finish(parsed.components))
        return nw::kInvalidDsName;
    out = std::move(parsed);
    return nw::kSuccess;
}

bool typeFits(const DsComponent& component, ObjectClass cls) {
    return component.type.empty() || nw::equalFoldedCp1252(component.type, namingAttribute(cls));
}

std::string escapeDsValue(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 4);
    for (char c : value) {
        if (needsEscape(c))
            out += '\\';
        out += c;
    }
    return out;
}

std::string formatRdn(ObjectClass cls, std::string_view value, bool typeless) {
    // An object may be called "[Root]"; alone and typeless that text would
    // name the top of the tree instead, so it goes out with its '[' escaped.
    // The typed form (CN=[Root]) is unambiguous and stays as it is.
    if (typeless && nw::equalFoldedCp1252(value, kRootName))
        return '\\' + std::string(value);
    if (typeless)
        return escapeDsValue(value);
    std::string out = namingAttribute(cls);
    out += '=';
    out += escapeDsValue(value);
    return out;
}

} // namespace nwsim
