// The scanner's answer, as the workstation decodes it, on arbitrary bytes fed
// in pieces whose size the first byte picks: it never crashes, a refused
// answer leaves nothing behind, and an answer taken whole reads back the same
// once encoded again. And the round trip the other way: an answer made from
// the bytes, encoded, is read back exactly. (Which lines are refused, and
// why, the unit tests assert case by case.)

#include "FuzzSupport.h"
#include "scanner/Protocol.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

namespace protocol = scanner::protocol;
using Status = protocol::AnswerDecoder::Status;

Status decode(std::string_view text, std::size_t piece, protocol::AnswerDecoder& decoder) {
    for (std::size_t at = 0; at < text.size(); at += piece)
        decoder.feed(text.substr(at, piece));
    return decoder.finish();
}

protocol::Answer answerFrom(FuzzedDataProvider& data) {
    protocol::Answer answer;
    answer.entries = data.ConsumeIntegral<std::uint64_t>();
    answer.unreadable = data.ConsumeIntegral<std::uint64_t>();
    const auto reports = data.ConsumeIntegralInRange<std::size_t>(0, scanner::kReportedPaths);
    for (std::size_t i = 0; i < reports; ++i)
        answer.firstUnreadable.push_back(data.ConsumeRandomLengthString(64));
    answer.unreadable = std::max<std::uint64_t>(answer.unreadable, reports);
    const auto owners = data.ConsumeIntegralInRange<std::size_t>(0, 64);
    for (std::size_t i = 0; i < owners; ++i) {
        const auto uid = data.ConsumeIntegral<std::uint32_t>();
        answer.owners[uid] = {data.ConsumeIntegral<std::uint64_t>(), data.ConsumeRandomLengthString(32)};
    }
    return answer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t piece = size == 0 ? 1 : data[0] % 16 + 1;
    protocol::AnswerDecoder decoder;
    if (decode(text, piece, decoder) == Status::Done) {
        protocol::AnswerDecoder again;
        FUZZ_REQUIRE(decode(protocol::versionLine() + protocol::encodeAnswer(decoder.answer()), 1, again) ==
                     Status::Done);
        FUZZ_REQUIRE(again.answer() == decoder.answer());
    } else {
        FUZZ_REQUIRE(decoder.answer() == protocol::Answer{});
    }
    std::size_t pathBytes = 0;
    FUZZ_REQUIRE(!protocol::parseRequestLine(text, pathBytes).empty() ||
                 (pathBytes >= 1 && pathBytes <= protocol::kMaxPathBytes));

    FuzzedDataProvider provider(data, size);
    const protocol::Answer made = answerFrom(provider);
    protocol::AnswerDecoder back;
    const std::string encoded =
        protocol::versionLine() + protocol::encodeProgress(made.entries) + protocol::encodeAnswer(made);
    FUZZ_REQUIRE(decode(encoded, piece, back) == Status::Done);
    FUZZ_REQUIRE(back.answer() == made);
    return 0;
}
