#include "netware/sim/ResultBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

namespace nwsim::resultbuf {
namespace {

nw::Buf_T filled(const std::vector<ListedObject>& objects) {
    nw::Buf_T buf;
    buf.data.assign(4096, 0);
    writeListing(buf, objects);
    return buf;
}

const std::vector<ListedObject> kTwo = {{"JSMITH", 0, 0, 1, "User"}, {"EAST", 4, 12, 1, "Organizational Unit"}};

// A name buffer with guard bytes on both sides, to see a write out of bounds.
struct GuardedName {
    std::array<char, 16 + nw::kNameBufferSize + 16> bytes{};
    GuardedName() { bytes.fill('#'); }
    char* name() { return bytes.data() + 16; }
    bool intact() const {
        return std::all_of(bytes.begin(), bytes.begin() + 16, [](char c) { return c == '#'; }) &&
               std::all_of(bytes.end() - 16, bytes.end(), [](char c) { return c == '#'; });
    }
};

TEST(ResultBuffer, DamagedContentsGiveAnErrorAndWriteNothingOutside) {
    // First record: length at 4, name at 6..11, three numbers, class length at 24.
    const std::vector<std::pair<const char*, void (*)(nw::Buf_T&)>> damages = {
        {"used past the data area", [](nw::Buf_T& b) { b.used = static_cast<std::uint32_t>(b.data.size() + 1); }},
        {"used inside the header", [](nw::Buf_T& b) { b.used = 2; }},
        {"count beyond the bytes", [](nw::Buf_T& b) { b.data[3] = 0x7F; }},
        {"cursor inside the header", [](nw::Buf_T& b) { b.cursor = 1; }},
        {"cursor past the contents", [](nw::Buf_T& b) { b.cursor = b.used + 100; }},
        {"name over 256 characters", [](nw::Buf_T& b) { b.data[5] = 0x01, b.data[4] = 0x01; }},
        {"name past the contents", [](nw::Buf_T& b) { b.data[4] = 0xF0; }},
        {"NUL inside the name", [](nw::Buf_T& b) { b.data[7] = 0; }},
        {"class name over 67", [](nw::Buf_T& b) { b.data[24] = 68; }},
        {"contents cut short", [](nw::Buf_T& b) { b.used -= 3; }},
    };
    for (const auto& [what, apply] : damages) {
        auto buf = filled(kTwo);
        apply(buf);
        GuardedName out;
        nw::Object_Info_T info{};
        nw::NWRCODE rc = nw::kSuccess;
        for (int i = 0; i < 3 && rc == nw::kSuccess; ++i)
            rc = readNextObject(buf, out.name(), &info);
        EXPECT_EQ(rc, kErrBadContents) << what;
        EXPECT_TRUE(out.intact()) << what;
    }
}

} // namespace
} // namespace nwsim::resultbuf
