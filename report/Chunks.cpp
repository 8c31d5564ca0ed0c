#include "report/Chunks.h"

#include "session/Fatal.h"

#include <array>

namespace vorlane {

DsBuffer allocBuffer(nw::Client& client, UserChannel& user) {
    nw::pBuf_T raw = nullptr;
    const nw::NWRCODE rc = client.NWDSAllocBuf(nw::kResultBufferSize, &raw);
    if (rc != nw::kSuccess)
        die(user, rc, "NWDSAllocBuf");
    return DsBuffer(client, raw);
}

Listed forEachName(nw::Client& client, UserChannel& user, ListCall list, const char* what,
                   nw::NWDSContextHandle context, const std::string& container, nw::pBuf_T buffer,
                   const std::function<void(std::string_view name)>& each) {
    // Room for any name the directory holds, plus a spare NUL so that the
    // name ends inside the buffer whatever the client writes.
    std::array<char, nw::kNameBufferSize + 1> name{};
    nw::nint32 iteration = -1;
    do {
        nw::NWRCODE rc = (client.*list)(context, container.c_str(), &iteration, buffer);
        if (rc == nw::kNoSuchEntry) {
            user.showMessage("Context does not exist");
            return Listed::Missing;
        }
        if (rc != nw::kSuccess)
            die(user, rc, what);
        nw::nuint32 count = 0;
        rc = client.NWDSGetObjectCount(context, buffer, &count);
        if (rc != nw::kSuccess)
            die(user, rc, "NWDSGetObjectCount");
        for (nw::nuint32 i = 0; i < count; ++i) {
            nw::nuint32 attributeCount = 0;
            nw::Object_Info_T info{};
            rc = client.NWDSGetObjectName(context, buffer, name.data(), &attributeCount, &info);
            if (rc != nw::kSuccess)
                die(user, rc, "NWDSGetObjectName");
            // The text up to the first NUL, as niceStr cuts it.
            const std::string_view field(name.data(), nw::kNameBufferSize);
            each(field.substr(0, field.find('\0')));
        }
    } while (iteration != -1);
    return Listed::Done;
}

} // namespace vorlane
