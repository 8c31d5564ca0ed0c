// The 8-bit conversion on arbitrary bytes taken as would-be UTF-8: it never
// grows the text, and where nothing became '?' the text was well-formed and
// comes back unchanged from 8-bit. (That every 8-bit character survives the
// trip to UTF-8 and back, and how capitals fold, the unit tests assert byte
// by byte.)

#include "netware/Charset.h"
#include "FuzzSupport.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string bytes = nw::utf8ToCp1252(text);
    FUZZ_REQUIRE(bytes.size() <= text.size());
    // The reader refuses overlong and stray sequences, so coming back whole
    // says the UTF-8 was well-formed.
    if (text.find('?') == std::string_view::npos && bytes.find('?') == std::string::npos)
        FUZZ_REQUIRE(nw::cp1252ToUtf8(bytes) == text);
    return 0;
}
