#include "netware/ResultBuffer.h"

#include <gtest/gtest.h>

#include <array>

namespace nw::resultbuf {
namespace {

// Records of 25 and 38 bytes.
const std::vector<ListedObject> kTwo = {{"JSMITH", 0, 0, 1, "User"}, {"EAST", 4, 12, 9, "Organizational Unit"}};

Buf_T filled(const std::vector<ListedObject>& objects, std::size_t size) {
    Buf_T buf;
    buf.data.assign(size, 0);
    writeListing(buf, objects);
    return buf;
}

// Each chunk in a data area of exactly its size; the smallest record there
// is takes 15 bytes, the longest name 256 and the longest class name 67.
TEST(ResultBuffer, AChunkReadsBackObjectByObjectAndThenReportsItsEnd) {
    const std::pair<std::vector<ListedObject>, std::size_t> chunks[] = {
        {kTwo, 4 + 25 + 38},
        {{{"", 1, 2, 3, ""}}, 4 + 15},
        {{{"\xC9 \xFF", 0xFFFFFFFF, 0x80000000, 0xFFFFFFFE, "\x80"}}, 4 + 15 + 4}, // any bytes but NUL, any number
        {{{std::string(256, 'N'), 0, 0, 0, std::string(67, 'C')}}, 4 + 15 + 256 + 67},
        {{}, 4}};
    for (const auto& [objects, size] : chunks) {
        Buf_T buf = filled(objects, size);
        for (int round = 0; round < 2; ++round, writeListing(buf, objects)) { // writing again reads from the start
            nuint32 count = 99;
            ASSERT_EQ(readObjectCount(buf, &count), kSuccess);
            EXPECT_EQ(count, objects.size());
            for (const auto& o : objects) {
                char name[kNameBufferSize];
                Object_Info_T info{};
                ASSERT_EQ(readNextObject(buf, name, &info), kSuccess);
                EXPECT_EQ(
                    std::tuple(name, info.baseClass, info.objectFlags, info.subordinateCount, info.modificationTime),
                    std::tuple(o.name, o.baseClass, o.flags, o.subordinateCount, o.modificationTime));
            }
            char past[2] = "#";
            EXPECT_EQ(readNextObject(buf, past, nullptr), kErrBufferEmpty);
            EXPECT_EQ(past[0], '#');
        }
    }
}

TEST(ResultBuffer, ABufferNoListingFilledOrDamagedGivesAnErrorAndWritesNothing) {
    // First record: length at 4, name at 6..11, three numbers, class length at 24, class at 25..28.
    const std::vector<std::tuple<const char*, NWRCODE, void (*)(Buf_T&)>> damages = {
        {"never filled", kErrBadVerb, [](Buf_T& b) { b.operation = kEmpty; }},
        {"used past the data area", kErrBadContents,
         [](Buf_T& b) { b.used = static_cast<std::uint32_t>(b.data.size() + 1); }},
        {"used inside the header", kErrBadContents, [](Buf_T& b) { b.used = 3; }},
        {"count beyond the bytes", kErrBadContents, [](Buf_T& b) { b.data[0] = 5; }},
        {"cursor inside the header", kErrBadContents, [](Buf_T& b) { b.cursor = 3; }},
        {"cursor past the contents", kErrBadContents, [](Buf_T& b) { b.cursor = b.used + 1; }},
        {"name over 256 characters", kErrBadContents, [](Buf_T& b) { b.data[5] = 0x01, b.data[4] = 0x01; }},
        {"name past the contents", kErrBadContents, [](Buf_T& b) { b.data[4] = 0xF0; }},
        {"NUL inside the name", kErrBadContents, [](Buf_T& b) { b.data[11] = 0; }},
        {"class name over 67", kErrBadContents, [](Buf_T& b) { b.data[24] = 68; }},
        {"NUL inside the class name", kErrBadContents, [](Buf_T& b) { b.data[28] = 0; }},
    };
    for (const auto& [what, code, apply] : damages) {
        auto buf = filled(kTwo, 4096);
        apply(buf);
        std::string name(kNameBufferSize + 16, '#');
        NWRCODE rc = kSuccess;
        for (int read = 0; read < 3 && rc == kSuccess; ++read, name.assign(name.size(), '#'))
            rc = readNextObject(buf, name.data(), nullptr);
        EXPECT_EQ(rc, code) << what;
        EXPECT_EQ(name, std::string(name.size(), '#')) << what;
    }
}

} // namespace
} // namespace nw::resultbuf
