#include "netware/ldap/Report.h"

namespace nwldap {
namespace {

unsigned char byteAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

// The length of the well-formed UTF-8 character at the start of `text`
// (no overlong form, no surrogate, nothing above U+10FFFF); 0 if there is none.
std::size_t characterLength(std::string_view text) {
    const unsigned char lead = byteAt(text, 0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80; // of the second byte; the others are 80-BF
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    }
    if (length == 0 || text.size() < length || byteAt(text, 1) < low || byteAt(text, 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byteAt(text, i) < 0x80 || byteAt(text, i) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

std::string printable(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = byteAt(text, i);
        const std::size_t length = characterLength(text.substr(i));
        const bool control = lead < 0x20 || lead == 0x7F || (lead == 0xC2 && length == 2 && byteAt(text, i + 1) < 0xA0);
        if (lead == '\\') {
            out += "\\\\";
        } else if (length != 0 && !control) {
            out.append(text.substr(i, length));
        } else {
            // A control character's bytes, or the one byte no character starts at.
            for (std::size_t end = i + (length == 0 ? 1 : length); i < end; ++i)
                out.append({'\\', 'x', kHex[byteAt(text, i) >> 4], kHex[byteAt(text, i) & 0xF]});
            continue;
        }
        i += length;
    }
    return out;
}

std::string grouped(std::size_t count) {
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

} // namespace nwldap
