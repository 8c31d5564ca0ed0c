#include "netware/ResultBuffer.h"

#include <algorithm>
#include <cstring>

namespace nw::resultbuf {
namespace {

// The smallest record: an empty name and an empty class name.
constexpr std::size_t kFixedRecordBytes = 2 + 4 + 4 + 4 + 1;

void put16(std::vector<std::uint8_t>& d, std::size_t& at, std::uint32_t v) {
    d[at++] = static_cast<std::uint8_t>(v & 0xFF);
    d[at++] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t>& d, std::size_t& at, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        d[at++] = static_cast<std::uint8_t>((v >> shift) & 0xFF);
}

void putText(std::vector<std::uint8_t>& d, std::size_t& at, std::string_view text) {
    std::copy(text.begin(), text.end(), d.begin() + static_cast<std::ptrdiff_t>(at));
    at += text.size();
}

// Bounds-checked reading over [0, end) of the data area.
class Reader {
public:
    Reader(const std::vector<std::uint8_t>& data, std::size_t end, std::size_t at) : data_(data), end_(end), at_(at) {}

    bool take(std::size_t n, const std::uint8_t*& out) {
        if (at_ > end_ || n > end_ - at_)
            return false;
        out = data_.data() + at_;
        at_ += n;
        return true;
    }
    // Each reads a little-endian number and says whether it was there.
    bool u8(std::uint32_t& v) {
        const std::uint8_t* p = nullptr;
        if (take(1, p))
            v = p[0];
        return p != nullptr;
    }
    bool u16(std::uint32_t& v) {
        const std::uint8_t* p = nullptr;
        if (take(2, p))
            v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
        return p != nullptr;
    }
    bool u32(std::uint32_t& v) {
        const std::uint8_t* p = nullptr;
        if (take(4, p))
            v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
        return p != nullptr;
    }
    std::size_t position() const { return at_; }

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t end_;
    std::size_t at_;
};

bool holdsNul(const std::uint8_t* p, std::size_t n) {
    return std::memchr(p, 0, n) != nullptr;
}

// The checks every read starts with; on success `count` is the chunk's
// object count, already checked against the bytes present.
NWRCODE checkedCount(const Buf_T& buf, std::uint32_t& count) {
    if (buf.operation != kListing)
        return kErrBadVerb;
    if (buf.used < kHeaderSize || buf.used > buf.data.size())
        return kErrBadContents;
    Reader header(buf.data, buf.used, 0);
    header.u32(count);
    // A count that the bytes present could never hold is damage, and
    // trusting it would send a caller round its loop billions of times.
    if (count > (buf.used - kHeaderSize) / kFixedRecordBytes)
        return kErrBadContents;
    return kSuccess;
}

} // namespace

std::size_t recordSize(const ListedObject& object) {
    return kFixedRecordBytes + object.name.size() + object.baseClass.size();
}

void writeListing(Buf_T& buf, const std::vector<ListedObject>& objects) {
    std::size_t at = 0;
    put32(buf.data, at, static_cast<std::uint32_t>(objects.size()));
    for (const auto& o : objects) {
        put16(buf.data, at, static_cast<std::uint32_t>(o.name.size()));
        putText(buf.data, at, o.name);
        put32(buf.data, at, o.flags);
        put32(buf.data, at, o.subordinateCount);
        put32(buf.data, at, o.modificationTime);
        buf.data[at++] = static_cast<std::uint8_t>(o.baseClass.size());
        putText(buf.data, at, o.baseClass);
    }
    buf.operation = kListing;
    buf.used = static_cast<std::uint32_t>(at);
    buf.cursor = static_cast<std::uint32_t>(kHeaderSize);
    buf.namesRead = 0;
}

NWRCODE readObjectCount(const Buf_T& buf, nuint32* count) {
    std::uint32_t n = 0;
    if (const auto rc = checkedCount(buf, n); rc != kSuccess)
        return rc;
    *count = n;
    return kSuccess;
}

NWRCODE readNextObject(Buf_T& buf, char* name, Object_Info_T* info) {
    std::uint32_t count = 0;
    if (const auto rc = checkedCount(buf, count); rc != kSuccess)
        return rc;
    if (buf.namesRead >= count)
        return kErrBufferEmpty;
    if (buf.cursor < kHeaderSize)
        return kErrBadContents;

    Reader r(buf.data, buf.used, buf.cursor);
    std::uint32_t nameLength = 0;
    const std::uint8_t* nameBytes = nullptr;
    Object_Info_T decoded{};
    std::uint32_t classLength = 0;
    const std::uint8_t* classBytes = nullptr;
    if (!r.u16(nameLength) || nameLength > kMaxDnChars || !r.take(nameLength, nameBytes) ||
        holdsNul(nameBytes, nameLength) || !r.u32(decoded.objectFlags) || !r.u32(decoded.subordinateCount) ||
        !r.u32(decoded.modificationTime) || !r.u8(classLength) || classLength > kMaxClassNameChars ||
        !r.take(classLength, classBytes) || holdsNul(classBytes, classLength))
        return kErrBadContents;

    std::memcpy(name, nameBytes, nameLength);
    name[nameLength] = '\0';
    if (info != nullptr) {
        std::memcpy(decoded.baseClass, classBytes, classLength);
        *info = decoded;
    }
    buf.cursor = static_cast<std::uint32_t>(r.position());
    ++buf.namesRead;
    return kSuccess;
}

} // namespace nw::resultbuf
