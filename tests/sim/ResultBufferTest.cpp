#include "netware/sim/ResultBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace nwsim::resultbuf {
namespace {

const std::vector<ListedObject> kTwo = {{"JSMITH", 0, 0, 1, "User"}, {"EAST", 4, 12, 9, "Organizational Unit"}};

nw::Buf_T filled(const std::vector<ListedObject>& objects, std::size_t size = 4096) {
    nw::Buf_T buf;
    buf.data.assign(size, 0);
    writeListing(buf, objects);
    return buf;
}

// A name buffer with guard bytes on both sides, to see a write out of bounds.
struct GuardedName {
    std::array<char, 16 + nw::kNameBufferSize + 16> bytes{};
    GuardedName() { bytes.fill('#'); }
    char* name() { return bytes.data() + 16; }
    bool untouched() const {
        return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '#'; });
    }
};

// Each chunk in a data area of exactly its size: the records of kTwo take
// 25 and 38 bytes, one of empty names the smallest record there is, 15.
TEST(ResultBuffer, AChunkReadsBackObjectByObjectAndThenReportsItsEnd) {
    const std::pair<std::vector<ListedObject>, std::size_t> chunks[] = {
        {kTwo, 4 + 25 + 38}, {{{"", 1, 2, 3, ""}}, 4 + 15}, {{}, 4}};
    for (const auto& [objects, size] : chunks) {
        nw::Buf_T buf = filled(objects, size);
        for (int round = 0; round < 2; ++round, writeListing(buf, objects)) { // writing again reads from the start
            nw::nuint32 count = 99;
            ASSERT_EQ(readObjectCount(buf, &count), nw::kSuccess);
            EXPECT_EQ(count, objects.size());
            for (const auto& expected : objects) {
                char name[nw::kNameBufferSize];
                nw::Object_Info_T info{};
                ASSERT_EQ(readNextObject(buf, name, &info), nw::kSuccess);
                EXPECT_EQ(std::string(name), expected.name);
                EXPECT_EQ(std::string(info.baseClass), expected.baseClass);
                EXPECT_EQ(std::tie(info.objectFlags, info.subordinateCount, info.modificationTime),
                          std::tie(expected.flags, expected.subordinateCount, expected.modificationTime));
            }
            GuardedName past;
            EXPECT_EQ(readNextObject(buf, past.name(), nullptr), kErrBufferEmpty);
            EXPECT_TRUE(past.untouched());
        }
    }
}

TEST(ResultBuffer, ABufferNoListingFilledIsRefused) {
    nw::Buf_T buf;
    buf.data.assign(64, 0);
    nw::nuint32 count = 7;
    GuardedName out;
    EXPECT_EQ(readObjectCount(buf, &count), kErrBadVerb);
    EXPECT_EQ(readNextObject(buf, out.name(), nullptr), kErrBadVerb);
    EXPECT_EQ(count, 7u);
    EXPECT_TRUE(out.untouched());
}

TEST(ResultBuffer, DamagedContentsGiveAnErrorAndWriteNothing) {
    // First record: length at 4, name at 6..11, three numbers, class length at 24.
    const std::vector<std::pair<const char*, void (*)(nw::Buf_T&)>> damages = {
        {"used past the data area", [](nw::Buf_T& b) { b.used = static_cast<std::uint32_t>(b.data.size() + 1); }},
        {"used inside the header", [](nw::Buf_T& b) { b.used = 3; }},
        {"count beyond the bytes", [](nw::Buf_T& b) { b.data[0] = 5; }},
        {"cursor inside the header", [](nw::Buf_T& b) { b.cursor = 3; }},
        {"cursor past the contents", [](nw::Buf_T& b) { b.cursor = b.used + 1; }},
        {"name over 256 characters", [](nw::Buf_T& b) { b.data[5] = 0x01, b.data[4] = 0x01; }},
        {"name past the contents", [](nw::Buf_T& b) { b.data[4] = 0xF0; }},
        {"NUL inside the name", [](nw::Buf_T& b) { b.data[11] = 0; }},
        {"class name over 67", [](nw::Buf_T& b) { b.data[24] = 68; }},
        {"NUL inside the class name", [](nw::Buf_T& b) { b.data[28] = 0; }},
        {"contents cut short", [](nw::Buf_T& b) { b.used -= 1; }},
    };
    for (const auto& [what, apply] : damages) {
        auto buf = filled(kTwo);
        apply(buf);
        GuardedName out;
        nw::Object_Info_T info{};
        nw::NWRCODE rc = nw::kSuccess;
        int read = 0;
        for (; read < 3 && rc == nw::kSuccess; ++read) {
            out = GuardedName();
            rc = readNextObject(buf, out.name(), &info);
        }
        EXPECT_EQ(rc, kErrBadContents) << what;
        EXPECT_TRUE(out.untouched()) << what;
    }
}

} // namespace
} // namespace nwsim::resultbuf
