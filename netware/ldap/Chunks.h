#pragma once

// The directory client's result buffer. A listing call fills it with one
// chunk: as many names as the buffer's size holds, each counted at the bytes
// it would take in a packed record (a 2-byte length and the name, 12 bytes of
// flags, subordinate count and time, a 1-byte length and the class name)
// after a 4-byte count, so that a chunk is what fits the caller's buffer.
// The tool only allocates buffers, passes them along and frees them: the
// names are kept as they are rather than packed and unpacked again.

#include "netware/Client.h"

#include <string>
#include <vector>

namespace nwldap {

struct ListedName {
    std::string name;      // 8-bit, as delivered, at most kMaxDnChars
    nw::nuint32 flags = 0; // kContainerFlag for containers
    std::string baseClass; // at most kMaxClassChars
};

inline constexpr nw::nuint32 kContainerFlag = 4;
inline constexpr std::size_t kMaxClassChars = sizeof(nw::Object_Info_T::baseClass) - 1;
inline constexpr nw::nuint32 kMaxBufferSize = 65536;

class ChunkBuffer {
public:
    explicit ChunkBuffer(nw::nuint32 size) : size_(size) {}

    // Starts a new chunk.
    void clear();
    // Adds a name when it still fits the buffer; false when it does not.
    bool add(ListedName name);

    bool filled() const { return filled_; }
    // kErrBadVerb before any listing filled the buffer.
    nw::NWRCODE count(nw::nuint32* count) const;
    // The next name, NUL-terminated, into kNameBufferSize bytes, and its
    // details into `info` when not null. kErrBufferEmpty past the last name,
    // kErrBadVerb before any listing; nothing is written then.
    nw::NWRCODE next(char* name, nw::Object_Info_T* info);

private:
    nw::nuint32 size_;
    std::size_t used_ = 0;
    std::size_t read_ = 0;
    bool filled_ = false;
    std::vector<ListedName> names_;
};

} // namespace nwldap
