// The lines between the workstation and the scanner: what the encoder writes
// is read back exactly, in pieces of any size; what breaks a rule is refused
// whole. (That no input crashes the decoder is the fuzz target's.)

#include "scanner/Protocol.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

namespace protocol = scanner::protocol;
using Status = protocol::AnswerDecoder::Status;

const std::string kStart = protocol::versionLine();

TEST(Protocol, WhatTheEncoderWritesIsReadBackExactlyInPiecesOfAnySize) {
    const std::string odd = std::string("a b%c\nd\r\x01\xff\0e", 13) + "\xc3\xa9";
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    const protocol::Answer answers[] = {
        {},
        {kMost,
         7,
         {"/v/x: Permission denied", odd, "", "/v/a", "/v/b"},
         {{0, {8, "root"}}, {60001, {0, ""}}, {std::numeric_limits<std::uint32_t>::max(), {kMost, odd}}}},
    };
    for (const protocol::Answer& answer : answers) {
        const std::string text =
            kStart + protocol::encodeProgress(0) + protocol::encodeProgress(41) + protocol::encodeAnswer(answer);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, text.size()}) {
            std::vector<std::uint64_t> progress;
            protocol::AnswerDecoder decoder([&progress](std::uint64_t n) { progress.push_back(n); });
            for (std::size_t at = 0; at < text.size(); at += piece)
                decoder.feed(std::string_view(text).substr(at, piece));
            ASSERT_EQ(decoder.finish(), Status::Done) << decoder.problem();
            EXPECT_EQ(decoder.answer(), answer);
            EXPECT_EQ(progress, (std::vector<std::uint64_t>{0, 41}));
        }
    }
    std::size_t size = 0;
    const std::string request = protocol::encodeRequest(odd);
    ASSERT_EQ(protocol::parseRequestLine(request.substr(0, request.find('\n')), size), "");
    EXPECT_EQ(request.substr(request.find('\n') + 1, size), odd);
    EXPECT_EQ(request.size(), request.find('\n') + 1 + size);
}

TEST(Protocol, AnAnswerThatBreaksARuleIsRefusedWhole) {
    const std::string owners = "result 3 0\nowner 1 8 a\n";
    std::string tooManyOwners = kStart + "result 1 0\n";
    for (std::size_t uid = 0; uid <= protocol::kMaxOwners; ++uid)
        tooManyOwners += "owner " + std::to_string(uid) + " 1 \n";
    std::string sixReports;
    for (int i = 0; i < 6; ++i)
        sixReports += "unreadable a\n";
    const struct {
        std::string text;
        Status status;
        std::string problem;
    } cases[] = {
        {"", Status::Garbled, "line 1: the answer ended before its closing line"},
        {"vorlane-scan 2\nanything at all", Status::WrongVersion, "the scanner speaks version 2 of the protocol"},
        {"vorlane-scan 01\n", Status::Garbled, "line 1: the answer does not start with the scanner's version line"},
        {kStart + "error the%20disk%0Ais%20gone\n", Status::ScannerError, "the disk\nis gone"},
        {kStart + "error a b\n", Status::Garbled, "line 2: a line that does not belong here"},
        {kStart + "progress 1", Status::Garbled, "line 2: the answer ended inside a line"},
        {kStart + "progress 01\n", Status::Garbled, "line 2:"},
        {kStart + "progress +1\n", Status::Garbled, "line 2:"},
        {kStart + "progress 18446744073709551616\n", Status::Garbled, "line 2:"},
        {kStart + "progress 1\r\n", Status::Garbled, "line 2:"},
        {kStart + "result 1 0\nowner 4294967296 1 a\nend 0 1\n", Status::Garbled, "line 3:"},
        {kStart + owners + "owner 1 8 b\nend 0 2\n", Status::Garbled, "line 4: owners out of order or repeated"},
        {kStart + owners + "owner 0 8 b\nend 0 2\n", Status::Garbled, "line 4: owners out of order or repeated"},
        {kStart + owners + "owner 2 8 b c\nend 0 2\n", Status::Garbled, "line 4:"},
        {kStart + owners + "owner 2 8 %4\nend 0 2\n", Status::Garbled, "line 4: an owner name that is not escaped"},
        {kStart + owners + "owner 2 8 %4a\nend 0 2\n", Status::Garbled, "line 4: an owner name that is not escaped"},
        {kStart + owners + "owner 2 8 " + std::string(protocol::kMaxNameBytes + 1, 'n') + "\nend 0 2\n",
         Status::Garbled, "line 4: an owner name that is not escaped or too long"},
        {kStart + owners + "progress 5\nend 0 1\n", Status::Garbled, "line 4: a line that does not belong here"},
        {kStart + owners + "end 0 2\n", Status::Garbled, "line 4: the closing line counts other lines than came"},
        {kStart + owners + "end 1 1\n", Status::Garbled, "line 4: the closing line counts other lines than came"},
        {kStart + owners, Status::Garbled, "line 4: the answer ended before its closing line"},
        {kStart + owners + "end 0 1\nend 0 1\n", Status::Garbled, "line 4: something follows the closing line"},
        {kStart + owners + "end 0 1\nx", Status::Garbled, "line 4: something follows the closing line"},
        {kStart + "result 1 1\nunreadable a\nunreadable b\nend 2 0\n", Status::Garbled,
         "line 4: more unreadable directories reported than the result line counts"},
        {kStart + "result 1 9\n" + sixReports + "end 6 0\n", Status::Garbled,
         "line 8: more unreadable directories reported than the result line counts"},
        {kStart + "progress " + std::string(protocol::kMaxLineBytes, '1'), Status::Garbled,
         "line 2: longer than 65536 bytes"},
        {tooManyOwners, Status::Garbled, "line 1000003: more than 1000000 owners"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 200));
        protocol::AnswerDecoder decoder;
        decoder.feed(c.text);
        EXPECT_EQ(decoder.finish(), c.status);
        EXPECT_EQ(decoder.problem().substr(0, c.problem.size()), c.problem);
        EXPECT_EQ(decoder.answer(), protocol::Answer{});
    }
}

TEST(Protocol, ARequestLineThatBreaksARuleIsRefused) {
    for (const char* line : {"vorlane-scan 1 0", "vorlane-scan 1 4097", "vorlane-scan 1 +5", "vorlane-scan 1 05",
                             "vorlane-scan 2 5", "vorlane-scan 1 5 x", "vorlane-scan 1", "/etc"}) {
        std::size_t size = 0;
        EXPECT_NE(protocol::parseRequestLine(line, size), "") << line;
    }
}

} // namespace
