#include "scanner/Protocol.h"

#include <algorithm>
#include <charconv>

namespace scanner::protocol {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool safeByte(unsigned char byte) {
    return byte > 0x20 && byte < 0x7F && byte != '%';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A field as escaped() wrote it, or false.
bool unescaped(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        if (byte == '%') {
            const int high = i + 2 < field.size() ? hexValue(field[i + 1]) : -1;
            const int low = high < 0 ? -1 : hexValue(field[i + 2]);
            if (low < 0)
                return false;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else if (safeByte(byte)) {
            out += static_cast<char>(byte);
        } else {
            return false;
        }
    }
    return true;
}

// A number written as to_string writes it: digits only, no sign, no leading
// zero, no overflow of `T`.
template <typename T> bool number(std::string_view field, T& out) {
    if (field.empty() || (field.size() > 1 && field[0] == '0') || field[0] == '+' || field[0] == '-')
        return false;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), out);
    return ec == std::errc() && end == field.data() + field.size();
}

std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t space = line.find(' ', start);
        fields.push_back(line.substr(start, space - start));
        if (space == std::string_view::npos)
            return fields;
        start = space + 1;
    }
}

// The last `most` bytes of a longer text, marked as cut.
std::string cut(const std::string& text, std::size_t most) {
    return text.size() <= most ? text : "..." + text.substr(text.size() - (most - 3));
}

} // namespace

std::string versionLine() {
    return std::string(kName) + " " + std::to_string(kVersion) + "\n";
}

std::string encodeRequest(std::string_view path) {
    return std::string(kName) + " " + std::to_string(kVersion) + " " + std::to_string(path.size()) + "\n" +
           std::string(path);
}

std::string parseRequestLine(std::string_view line, std::size_t& pathBytes) {
    const std::vector<std::string_view> fields = split(line);
    int version = 0;
    if (fields.size() != 3 || fields[0] != kName || !number(fields[1], version))
        return "the request does not start with \"vorlane-scan <version> <length>\"";
    if (version != kVersion)
        return "the request is of version " + std::to_string(version) + "; this scanner speaks version " +
               std::to_string(kVersion);
    if (!number(fields[2], pathBytes) || pathBytes == 0 || pathBytes > kMaxPathBytes)
        return "the request's path length is not a number from 1 to " + std::to_string(kMaxPathBytes);
    return {};
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (safeByte(byte))
            out += c;
        else
            out.append({'%', kHex[byte >> 4], kHex[byte & 0xF]});
    }
    return out;
}

std::string encodeProgress(std::uint64_t entries) {
    return "progress " + std::to_string(entries) + "\n";
}

std::string encodeError(std::string_view reason) {
    return "error " + escaped(cut(std::string(reason), kMaxTextBytes)) + "\n";
}

std::string encodeAnswer(const Answer& answer) {
    const std::size_t reports = std::min(answer.firstUnreadable.size(), kReportedPaths);
    const std::uint64_t unreadable = std::max<std::uint64_t>(answer.unreadable, reports);
    std::string out = "result " + std::to_string(answer.entries) + " " + std::to_string(unreadable) + "\n";
    for (std::size_t i = 0; i < reports; ++i)
        out += "unreadable " + escaped(cut(answer.firstUnreadable[i], kMaxTextBytes)) + "\n";
    for (const auto& [uid, owner] : answer.owners) {
        const std::string_view name = owner.name.size() <= kMaxNameBytes ? owner.name : std::string_view();
        out += "owner " + std::to_string(uid) + " " + std::to_string(owner.blocks) + " " + escaped(name) + "\n";
    }
    return out + "end " + std::to_string(reports) + " " + std::to_string(answer.owners.size()) + "\n";
}

AnswerDecoder::Status AnswerDecoder::feed(std::string_view bytes) {
    if (status_ == Status::Done && !bytes.empty())
        garbled("something follows the closing line");
    if (status_ != Status::Reading)
        return status_;
    // What was pending holds no line end: a line that trickles in byte by
    // byte is searched once, not once per byte.
    std::size_t searched = pending_.size();
    pending_.append(bytes);
    std::size_t start = 0;
    for (std::size_t end; status_ == Status::Reading && (end = pending_.find('\n', searched)) != std::string::npos;
         searched = start) {
        ++lines_;
        if (end - start > kMaxLineBytes)
            garbled("longer than " + std::to_string(kMaxLineBytes) + " bytes");
        else
            line(std::string_view(pending_).substr(start, end - start));
        start = end + 1;
    }
    pending_.erase(0, start);
    if (status_ == Status::Reading && pending_.size() > kMaxLineBytes) {
        ++lines_;
        garbled("longer than " + std::to_string(kMaxLineBytes) + " bytes");
    }
    if (status_ == Status::Done && !pending_.empty())
        garbled("something follows the closing line");
    return status_;
}

AnswerDecoder::Status AnswerDecoder::finish() {
    if (status_ == Status::Reading) {
        ++lines_;
        garbled(pending_.empty() ? "the answer ended before its closing line" : "the answer ended inside a line");
    }
    return status_;
}

void AnswerDecoder::garbled(std::string problem) {
    status_ = Status::Garbled;
    problem_ = "line " + std::to_string(lines_) + ": " + std::move(problem);
    answer_ = {};
}

void AnswerDecoder::line(std::string_view text) {
    const std::vector<std::string_view> fields = split(text);
    const std::string_view kind = fields[0];
    std::uint64_t entries = 0;
    if (stage_ == Stage::Version) {
        int version = 0;
        if (fields.size() != 2 || kind != kName || !number(fields[1], version))
            return garbled("the answer does not start with the scanner's version line");
        if (version != kVersion) {
            status_ = Status::WrongVersion;
            problem_ = "the scanner speaks version " + std::to_string(version) + " of the protocol, this program " +
                       std::to_string(kVersion);
            return;
        }
        stage_ = Stage::Progress;
    } else if (stage_ == Stage::Progress && kind == "progress" && fields.size() == 2 && number(fields[1], entries)) {
        if (progress_)
            progress_(entries);
    } else if (stage_ == Stage::Progress && kind == "error" && fields.size() == 2) {
        if (!unescaped(fields[1], problem_))
            return garbled("an error line whose reason is not escaped");
        status_ = Status::ScannerError;
    } else if (stage_ == Stage::Progress && kind == "result" && fields.size() == 3) {
        if (!number(fields[1], answer_.entries) || !number(fields[2], answer_.unreadable))
            return garbled("a result line whose figures are not numbers");
        stage_ = Stage::Reports;
    } else if (stage_ == Stage::Reports || stage_ == Stage::Owners) {
        figures(fields);
    } else {
        garbled("a line that does not belong here");
    }
}

// The lines between the result line and the closing line.
void AnswerDecoder::figures(const std::vector<std::string_view>& fields) {
    const std::string_view kind = fields[0];
    std::string text;
    if (kind == "end" && fields.size() == 3)
        return closing(fields);
    if (stage_ == Stage::Reports && kind == "unreadable" && fields.size() == 2) {
        if (answer_.firstUnreadable.size() >= std::min<std::uint64_t>(kReportedPaths, answer_.unreadable))
            return garbled("more unreadable directories reported than the result line counts");
        if (!unescaped(fields[1], text) || text.size() > kMaxTextBytes)
            return garbled("an unreadable directory whose text is not escaped or too long");
        answer_.firstUnreadable.push_back(std::move(text));
        return;
    }
    std::uint32_t uid = 0;
    Owner owner;
    if (kind != "owner" || fields.size() != 4 || !number(fields[1], uid) || !number(fields[2], owner.blocks))
        return garbled("a line that does not belong here");
    if (!answer_.owners.empty() && uid <= answer_.owners.rbegin()->first)
        return garbled("owners out of order or repeated");
    if (answer_.owners.size() >= kMaxOwners)
        return garbled("more than " + std::to_string(kMaxOwners) + " owners");
    if (!unescaped(fields[3], owner.name) || owner.name.size() > kMaxNameBytes)
        return garbled("an owner name that is not escaped or too long");
    answer_.owners.emplace_hint(answer_.owners.end(), uid, std::move(owner));
    stage_ = Stage::Owners;
}

void AnswerDecoder::closing(const std::vector<std::string_view>& fields) {
    std::size_t reports = 0;
    std::size_t owners = 0;
    if (!number(fields[1], reports) || !number(fields[2], owners))
        return garbled("a closing line whose counts are not numbers");
    if (reports != answer_.firstUnreadable.size() || owners != answer_.owners.size())
        return garbled("the closing line counts other lines than came");
    stage_ = Stage::Closed;
    status_ = Status::Done;
}

} // namespace scanner::protocol
