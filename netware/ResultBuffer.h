#pragma once

// The directory result buffer, which the clients share, and the layout of a
// listing inside it. The tool never looks inside (Client.h keeps Buf_T
// opaque): it allocates buffers, passes them along and frees them.
//
// The data area holds one chunk of a listing, all numbers little-endian:
//
//   offset 0   u32  number of objects in the chunk
//   offset 4   one record per object, packed:
//              u16  length of the name (at most kMaxDnChars)
//              ...  the name, 8-bit, no NUL
//              u32  object flags
//              u32  subordinate count
//              u32  modification time
//              u8   length of the base class name (at most 67)
//              ...  the base class name, 8-bit, no NUL
//
// The bookkeeping fields of Buf_T say what filled the buffer and where the
// reader stands. The reader trusts none of it: every field and every length
// is checked against the data area before a byte is read, so a buffer with
// damaged contents gives an error code, never a read or write out of bounds.

#include "netware/Protocol.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nw {

struct Buf_T {
    std::uint32_t operation = 0; // what filled the data area, see resultbuf
    std::uint32_t used = 0;      // bytes of the data area that hold contents
    std::uint32_t cursor = 0;    // offset of the next record to read
    std::uint32_t namesRead = 0; // records already handed out
    std::vector<std::uint8_t> data;
};

namespace resultbuf {

inline constexpr std::uint32_t kEmpty = 0;
inline constexpr std::uint32_t kListing = 0x5453494C; // "LIST"

inline constexpr std::size_t kHeaderSize = 4;

struct ListedObject {
    std::string name; // as delivered: typed or typeless, escaped
    nuint32 flags = 0;
    nuint32 subordinateCount = 0;
    nuint32 modificationTime = 0;
    std::string baseClass;
};

// Bytes one record takes in the data area.
std::size_t recordSize(const ListedObject& object);

// Replaces the buffer's contents with a chunk of these objects, ready to be
// read from the first. The caller has checked that they fit:
// kHeaderSize plus the sum of their record sizes within data.size(), names
// within kMaxDnChars, class names within kMaxClassNameChars.
void writeListing(Buf_T& buf, const std::vector<ListedObject>& objects);

// The number of objects in the chunk; kErrBadVerb when the buffer holds no
// listing (never filled, or filled by something else), kErrBadContents when
// its contents contradict themselves or run past the data area.
NWRCODE readObjectCount(const Buf_T& buf, nuint32* count);

// The next object of the chunk: its name, NUL-terminated, into `name`
// (kNameBufferSize bytes), and its details into `info` when not null. Moves
// the reader on only when it succeeds; on failure nothing is written, and
// past the last object the code is kErrBufferEmpty.
NWRCODE readNextObject(Buf_T& buf, char* name, Object_Info_T* info);

} // namespace resultbuf
} // namespace nw
