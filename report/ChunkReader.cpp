#include "report/ChunkReader.h"

#include "netware/Fatal.h"

namespace vorlane {

ChunkReader::ChunkReader(nw::Client& client, nw::UserChannel& user, nw::NWDSContextHandle context, nw::pBuf_T buffer)
    : client_(client), user_(user), context_(context), buffer_(buffer) {
    const nw::NWRCODE rc = client_.NWDSGetObjectCount(context_, buffer_, &count_);
    if (rc != nw::kSuccess)
        nw::die(user_, rc, "NWDSGetObjectCount");
}

std::string_view ChunkReader::next() {
    nw::nuint32 attributeCount = 0;
    nw::Object_Info_T info{};
    const nw::NWRCODE rc = client_.NWDSGetObjectName(context_, buffer_, name_.data(), &attributeCount, &info);
    if (rc != nw::kSuccess)
        nw::die(user_, rc, "NWDSGetObjectName");
    // The text up to the first NUL, as niceStr cuts it.
    const std::string_view field(name_.data(), nw::kNameBufferSize);
    return field.substr(0, field.find('\0'));
}

} // namespace vorlane
