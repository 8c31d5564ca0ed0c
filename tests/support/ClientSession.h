#pragma once

// One context handle and one result buffer on any client, driven the way the
// tool drives them. No test framework here, so that the fuzz targets can use
// it too.

#include "netware/Client.h"

#include <array>
#include <string>
#include <vector>

namespace testing_support {

class ClientSession {
public:
    explicit ClientSession(nw::Client& client, nw::nuint32 bufferSize = nw::kResultBufferSize) : client_(client) {
        client_.NWDSCreateContextHandle(&context);
        client_.NWDSAllocBuf(bufferSize, &buffer);
    }

    // The name context and whether names come typeless; the code of setting
    // the name context.
    nw::NWRCODE setContext(const std::string& name, bool typeless = true) {
        const nw::nuint32 flags = 0x13 | (typeless ? nw::kContextFlagTypelessNames : 0);
        client_.NWDSSetContext(context, nw::kContextKeyFlags, &flags);
        return client_.NWDSSetContext(context, nw::kContextKeyNameContext, name.c_str());
    }

    // The object ID the name resolves to, or the code of the failure.
    struct Resolved {
        nw::NWRCODE rc;
        nw::nuint32 id;
    };
    Resolved resolve(const std::string& name) {
        nw::NWCONN_HANDLE conn = 0;
        nw::nuint32 id = 0;
        const auto rc = client_.NWDSResolveName(context, name.c_str(), &conn, &id);
        if (rc == nw::kSuccess)
            client_.NWCCCloseConn(conn);
        return {rc, id};
    }

    // A whole listing: every name and the size of every chunk, or the code
    // of the first failing call.
    struct Listing {
        nw::NWRCODE rc = nw::kSuccess;
        std::vector<std::string> names;
        std::vector<std::size_t> chunks;
    };
    Listing list(const std::string& container, bool containersOnly = false) {
        Listing out;
        nw::nint32 iteration = -1;
        do {
            out.rc = containersOnly ? client_.NWDSListContainers(context, container.c_str(), &iteration, buffer)
                                    : client_.NWDSList(context, container.c_str(), &iteration, buffer);
            nw::nuint32 count = 0;
            if (out.rc == nw::kSuccess)
                out.rc = client_.NWDSGetObjectCount(context, buffer, &count);
            for (nw::nuint32 i = 0; i < count && out.rc == nw::kSuccess; ++i) {
                std::array<char, nw::kNameBufferSize> name{};
                out.rc = client_.NWDSGetObjectName(context, buffer, name.data(), nullptr, nullptr);
                out.names.emplace_back(name.data());
            }
            out.chunks.push_back(count);
        } while (out.rc == nw::kSuccess && iteration != -1);
        return out;
    }

    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;

private:
    nw::Client& client_;
};

} // namespace testing_support
