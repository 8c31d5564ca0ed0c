// The 8-bit conversion and the reading of fixed text buffers, on arbitrary
// bytes taken both as 8-bit text and as would-be UTF-8:
//  - every 8-bit string survives the trip to UTF-8 and back;
//  - UTF-8 to 8-bit never grows the text, and where nothing became '?' the
//    text was well-formed and comes back unchanged from 8-bit;
//  - niceStr yields the text up to the first NUL: no NUL, a prefix of the
//    input, the whole input when it holds none;
//  - case folding is idempotent and agrees with itself when applied twice.

#include "netware/Charset.h"
#include "FuzzSupport.h"
#include "session/Fatal.h"

#include <string_view>

namespace {

void toUtf8AndBack(std::string_view bytes) {
    const std::string utf8 = nw::cp1252ToUtf8(bytes);
    // The reader refuses overlong and stray sequences, so coming back whole
    // also says the UTF-8 was well-formed.
    FUZZ_REQUIRE(nw::utf8ToCp1252(utf8) == bytes);
}

void fromUtf8(std::string_view text) {
    const std::string bytes = nw::utf8ToCp1252(text);
    FUZZ_REQUIRE(bytes.size() <= text.size());
    if (text.find('?') == std::string_view::npos && bytes.find('?') == std::string::npos)
        FUZZ_REQUIRE(nw::cp1252ToUtf8(bytes) == text);
}

void niceStr(std::string_view text) {
    const std::string nice = vorlane::niceStr(text);
    FUZZ_REQUIRE(nice.find('\0') == std::string::npos);
    FUZZ_REQUIRE(text.substr(0, nice.size()) == nice);
    FUZZ_REQUIRE(nice.size() == text.size() || text[nice.size()] == '\0');
}

void folding(std::string_view text) {
    for (const char c : text) {
        const char folded = nw::foldCp1252(c);
        FUZZ_REQUIRE(nw::foldCp1252(folded) == folded);
        // Folding changes letters only, and keeps ASCII within ASCII.
        FUZZ_REQUIRE((static_cast<unsigned char>(c) < 0x80) == (static_cast<unsigned char>(folded) < 0x80));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    toUtf8AndBack(text);
    fromUtf8(text);
    niceStr(text);
    folding(text);
    return 0;
}
