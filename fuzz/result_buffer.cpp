// The directory result buffer, read two ways:
//  - the stand-in's reader over a buffer whose bookkeeping and contents are
//    arbitrary: it answers with one of its codes, never reads outside the data
//    area (the area is sized exactly, so the address sanitizer sees any
//    overrun), moves nothing when it fails, and never hands
//    out more names than the count;
//  - the tool's chunk reader, through a client that fills the whole name
//    buffer with arbitrary bytes and claims any count and any code: it
//    returns names without NUL that fit a name buffer, or ends the program
//    with the failing call named.
// That a listing written reads back object for object, the unit tests assert.

#include "FuzzSupport.h"
#include "netware/ResultBuffer.h"
#include "report/Chunks.h"
#include "session/Fatal.h"
#include "support/FakeUserChannel.h"
#include "support/MockClient.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

namespace rb = nw::resultbuf;

nw::Buf_T damagedBuffer(FuzzedDataProvider& in) {
    nw::Buf_T buf;
    buf.operation = in.ConsumeBool() ? rb::kListing : in.ConsumeIntegral<std::uint32_t>();
    const bool raw = in.ConsumeBool();
    // Mostly values near the data area, where the interesting edges are.
    auto field = [&](std::uint32_t near) {
        return raw ? in.ConsumeIntegral<std::uint32_t>() : in.ConsumeIntegralInRange<std::uint32_t>(0, near + 8);
    };
    buf.used = field(4096);
    buf.cursor = field(4096);
    buf.namesRead = field(16);
    buf.data = in.ConsumeRemainingBytes<std::uint8_t>();
    if (!raw)
        buf.used = std::min<std::uint32_t>(buf.used, static_cast<std::uint32_t>(buf.data.size()) + 8);
    return buf;
}

void readDamaged(nw::Buf_T buf) {
    const std::vector<std::uint8_t> original = buf.data;
    nw::nuint32 count = 0;
    const auto countRc = rb::readObjectCount(buf, &count);
    FUZZ_REQUIRE(countRc == nw::kSuccess || countRc == nw::kErrBadVerb || countRc == nw::kErrBadContents);
    // Exactly sized, so that a write past either end is caught.
    auto name = std::make_unique<char[]>(nw::kNameBufferSize);
    for (std::uint32_t attempt = 0; attempt < 300; ++attempt) {
        nw::Object_Info_T info{};
        const nw::Buf_T before = buf;
        const auto rc = rb::readNextObject(buf, name.get(), attempt % 2 == 0 ? &info : nullptr);
        if (rc != nw::kSuccess) {
            // A failure moves nothing, and the count and the names judge the
            // buffer as a whole the same way.
            FUZZ_REQUIRE(buf.cursor == before.cursor && buf.namesRead == before.namesRead);
            FUZZ_REQUIRE(countRc != nw::kSuccess ? rc == countRc
                                                 : rc == nw::kErrBufferEmpty || rc == nw::kErrBadContents);
            break;
        }
        FUZZ_REQUIRE(countRc == nw::kSuccess && buf.namesRead == before.namesRead + 1 && before.namesRead < count);
        FUZZ_REQUIRE(buf.cursor > before.cursor && buf.cursor <= buf.used);
        FUZZ_REQUIRE(std::memchr(name.get(), 0, nw::kNameBufferSize) != nullptr &&
                     std::memchr(info.baseClass, 0, sizeof info.baseClass) != nullptr);
    }
    FUZZ_REQUIRE(buf.data == original);
}

// Reads every name of the chunk the way the tool does: the names come without
// NUL and fit a name buffer, or the program ends with the failing call named.
void readChunk(nw::Client& client, nw::NWDSContextHandle context, nw::pBuf_T buffer, std::size_t longest) {
    testing_support::FakeUserChannel user;
    try {
        // The mock's listing call succeeds and leaves the iteration at -1: one chunk.
        vorlane::forEachName(client, user, &nw::Client::NWDSList, "NWDSList", context, "", buffer,
                             [longest](std::string_view name) {
                                 FUZZ_REQUIRE(name.find('\0') == std::string_view::npos && name.size() <= longest);
                             });
        FUZZ_REQUIRE(user.messages.empty());
    } catch (const testing_support::ProgramEnded& ended) {
        FUZZ_REQUIRE(ended.status == vorlane::kFailureExitStatus && user.messages.size() == 1);
        FUZZ_REQUIRE(user.messages[0].starts_with("NWDSGetObjectCount failed : ") ||
                     user.messages[0].starts_with("NWDSGetObjectName failed : "));
    }
}

// A client whose names are whatever bytes it likes, up to the whole buffer the
// tool hands it, and whose count is whatever it claims.
class HostileClient final : public testing_support::MockClient {
public:
    explicit HostileClient(FuzzedDataProvider& in) : in_(in) {}

    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle, nw::pBuf_T, nw::nuint32* count) override {
        *count = in_.ConsumeIntegral<nw::nuint32>();
        return in_.ConsumeBool() ? nw::kSuccess : in_.ConsumeIntegral<nw::NWRCODE>();
    }
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle, nw::pBuf_T, char* name, nw::nuint32*,
                                  nw::Object_Info_T* info) override {
        if (in_.remaining_bytes() == 0)
            return nw::kErrBufferEmpty;
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
    if (in.ConsumeBool())
        readDamaged(damagedBuffer(in));
    else {
        HostileClient client(in);
        // A name that fills the whole buffer without a NUL is still one name.
        readChunk(client, 1, nullptr, nw::kNameBufferSize);
    }
    return 0;
}
