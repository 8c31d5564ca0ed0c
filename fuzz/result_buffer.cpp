// The directory result buffer, read three ways:
//  - the stand-in's reader over a buffer whose bookkeeping and contents are
//    arbitrary: it answers with one of its codes, never reads outside the data
//    area (the area is sized exactly, so the address sanitizer sees any
//    overrun), writes nothing and moves nothing when it fails, and never hands
//    out more names than the count;
//  - a listing written from arbitrary objects reads back object for object;
//  - the tool's chunk reader, through the stand-in client holding such a
//    damaged buffer or through a client that fills the whole name buffer with
//    arbitrary bytes: it returns names without NUL that fit a name buffer, or
//    ends the program with the failing call named.

#include "FuzzSupport.h"
#include "netware/Fatal.h"
#include "netware/sim/ResultBuffer.h"
#include "report/ChunkReader.h"
#include "sim/SimSupport.h"
#include "support/FakeUserChannel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

namespace rb = nwsim::resultbuf;

constexpr char kCanary = '\x5A';

nw::Buf_T damagedBuffer(FuzzedDataProvider& in) {
    nw::Buf_T buf;
    buf.operation = in.ConsumeBool() ? rb::kListing : in.ConsumeIntegral<std::uint32_t>();
    const bool raw = in.ConsumeBool();
    // Mostly values near the data area, where the interesting edges are.
    auto field = [&](std::uint32_t near) {
        return raw ? in.ConsumeIntegral<std::uint32_t>() : in.ConsumeIntegralInRange<std::uint32_t>(0, near + 8);
    };
    const auto used = field(4096);
    const auto cursor = field(4096);
    const auto namesRead = field(16);
    buf.data = in.ConsumeRemainingBytes<std::uint8_t>();
    buf.used = raw ? used : std::min<std::uint32_t>(used, static_cast<std::uint32_t>(buf.data.size()) + 8);
    buf.cursor = cursor;
    buf.namesRead = namesRead;
    return buf;
}

bool all(const void* bytes, std::size_t size, char value) {
    const auto* p = static_cast<const char*>(bytes);
    return std::all_of(p, p + size, [&](char c) { return c == value; });
}

void readDamaged(nw::Buf_T buf) {
    const std::vector<std::uint8_t> original = buf.data;
    nw::nuint32 count = 0xDEADBEEF;
    const auto countRc = rb::readObjectCount(buf, &count);
    FUZZ_REQUIRE(countRc == nw::kSuccess ||
                 ((countRc == rb::kErrBadVerb || countRc == rb::kErrBadContents) && count == 0xDEADBEEF));
    // Exactly sized, so that a write past either end is caught.
    auto name = std::make_unique<char[]>(nw::kNameBufferSize);
    std::uint32_t handedOut = 0;
    for (std::uint32_t attempt = 0; attempt < 300; ++attempt, ++handedOut) {
        std::fill_n(name.get(), nw::kNameBufferSize, kCanary);
        nw::Object_Info_T info;
        std::memset(&info, kCanary, sizeof info);
        const nw::Buf_T before = buf;
        const auto rc = rb::readNextObject(buf, name.get(), attempt % 2 == 0 ? &info : nullptr);
        if (rc != nw::kSuccess) {
            FUZZ_REQUIRE(all(name.get(), nw::kNameBufferSize, kCanary) && all(&info, sizeof info, kCanary));
            FUZZ_REQUIRE(buf.cursor == before.cursor && buf.namesRead == before.namesRead);
            // The count and the names judge the buffer as a whole the same way.
            FUZZ_REQUIRE(countRc != nw::kSuccess ? rc == countRc
                                                 : rc == rb::kErrBufferEmpty || rc == rb::kErrBadContents);
            break;
        }
        FUZZ_REQUIRE(countRc == nw::kSuccess && buf.namesRead == before.namesRead + 1 && before.namesRead < count);
        FUZZ_REQUIRE(buf.cursor > before.cursor && buf.cursor <= buf.used);
        FUZZ_REQUIRE(std::memchr(name.get(), 0, nw::kNameBufferSize) != nullptr);
        FUZZ_REQUIRE(attempt % 2 == 1 || std::memchr(info.baseClass, 0, sizeof info.baseClass) != nullptr);
    }
    FUZZ_REQUIRE(handedOut <= count || countRc != nw::kSuccess);
    FUZZ_REQUIRE(buf.data == original);
}

std::string noNul(std::string text) {
    std::replace(text.begin(), text.end(), '\0', '0');
    return text;
}

void roundTrip(FuzzedDataProvider& in) {
    const auto room = in.ConsumeIntegralInRange<std::size_t>(rb::kHeaderSize, nw::kResultBufferSize);
    std::vector<rb::ListedObject> objects;
    std::size_t bytes = rb::kHeaderSize;
    while (in.remaining_bytes() > 0) {
        rb::ListedObject o;
        o.name = noNul(in.ConsumeRandomLengthString(nw::kMaxDnChars));
        o.flags = in.ConsumeIntegral<nw::nuint32>();
        o.subordinateCount = in.ConsumeIntegral<nw::nuint32>();
        o.modificationTime = in.ConsumeIntegral<nw::nuint32>();
        o.baseClass = noNul(in.ConsumeRandomLengthString(rb::kMaxClassNameChars));
        if (bytes + rb::recordSize(o) > room)
            break;
        bytes += rb::recordSize(o);
        objects.push_back(std::move(o));
    }
    nw::Buf_T buf;
    buf.data.assign(room, 0);
    rb::writeListing(buf, objects);

    nw::nuint32 count = 0;
    FUZZ_REQUIRE(rb::readObjectCount(buf, &count) == nw::kSuccess && count == objects.size());
    std::array<char, nw::kNameBufferSize> name{};
    for (const auto& o : objects) {
        nw::Object_Info_T info{};
        FUZZ_REQUIRE(rb::readNextObject(buf, name.data(), &info) == nw::kSuccess && name.data() == o.name &&
                     info.baseClass == o.baseClass && info.objectFlags == o.flags &&
                     info.subordinateCount == o.subordinateCount && info.modificationTime == o.modificationTime);
    }
    FUZZ_REQUIRE(rb::readNextObject(buf, name.data(), nullptr) == rb::kErrBufferEmpty);
}

// Reads every name of the chunk the way the tool does: the names come without
// NUL and fit a name buffer, or the program ends with the failing call named.
void readChunk(nw::Client& client, nw::NWDSContextHandle context, nw::pBuf_T buffer, std::size_t longest) {
    testing_support::FakeUserChannel user;
    try {
        vorlane::ChunkReader chunk(client, user, context, buffer);
        for (nw::nuint32 i = 0; i < chunk.count() && i < 300; ++i) {
            const std::string name = chunk.nextName();
            FUZZ_REQUIRE(name.find('\0') == std::string::npos && name.size() <= longest);
        }
        FUZZ_REQUIRE(user.messages.empty());
    } catch (const testing_support::ProgramEnded& ended) {
        FUZZ_REQUIRE(ended.status == nw::kFailureExitStatus && user.messages.size() == 1);
        FUZZ_REQUIRE(user.messages[0].starts_with("NWDSGetObjectCount failed : ") ||
                     user.messages[0].starts_with("NWDSGetObjectName failed : "));
    }
}

void throughStandIn(FuzzedDataProvider& in) {
    nwsim::Network net;
    net.entries.emplace_back();
    nwsim::test::Session session(std::move(net));
    *session.buffer = damagedBuffer(in);
    readChunk(session.client, session.context, session.buffer, nw::kMaxDnChars);
}

// A client whose names are whatever bytes it likes, up to the whole buffer the
// tool hands it, and whose count is whatever it claims.
class HostileClient final : public fuzzing::RefusingClient {
public:
    explicit HostileClient(FuzzedDataProvider& in) : in_(in) {}

    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle, nw::pBuf_T, nw::nuint32* count) override {
        *count = in_.ConsumeIntegral<nw::nuint32>();
        return in_.ConsumeBool() ? nw::kSuccess : in_.ConsumeIntegral<nw::NWRCODE>();
    }
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle, nw::pBuf_T, char* name, nw::nuint32*,
                                  nw::Object_Info_T* info) override {
        if (in_.remaining_bytes() == 0)
            return nwsim::resultbuf::kErrBufferEmpty;
        const auto bytes = in_.ConsumeBytes<char>(in_.ConsumeIntegralInRange<std::size_t>(0, nw::kNameBufferSize));
        std::copy(bytes.begin(), bytes.end(), name);
        std::memset(info, 0x41, sizeof *info);
        return nw::kSuccess;
    }

private:
    FuzzedDataProvider& in_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int way = in.ConsumeIntegralInRange<int>(0, 3);
    if (way == 0)
        readDamaged(damagedBuffer(in));
    else if (way == 1)
        roundTrip(in);
    else if (way == 2)
        throughStandIn(in);
    else {
        HostileClient client(in);
        // A name that fills the whole buffer without a NUL is still one name.
        readChunk(client, 1, nullptr, nw::kNameBufferSize);
    }
    return 0;
}
