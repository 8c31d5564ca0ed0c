#pragma once

#include "netware/Client.h"
#include "netware/UserChannel.h"

#include <array>
#include <string>
#include <string_view>

namespace vorlane {

// Reading the names of one chunk back out of a result buffer: the count,
// then each name in turn. Failures end the program, named after the call.
class ChunkReader {
public:
    ChunkReader(nw::Client& client, nw::UserChannel& user, nw::NWDSContextHandle context, nw::pBuf_T buffer);

    nw::nuint32 count() const { return count_; }
    // The next name of the chunk, 8-bit, relative to the container listed.
    std::string nextName() { return std::string(next()); }
    // The same without a copy: it stays valid until the next call.
    std::string_view next();

private:
    nw::Client& client_;
    nw::UserChannel& user_;
    nw::NWDSContextHandle context_;
    nw::pBuf_T buffer_;
    nw::nuint32 count_ = 0;
    // Room for any name the directory holds, plus a spare NUL so the name
    // ends inside this buffer whatever the client writes.
    std::array<char, nw::kNameBufferSize + 1> name_{};
};

} // namespace vorlane
