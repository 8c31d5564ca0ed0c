#pragma once

// The client calls by number and by name. A client tells its calls apart by
// number (the stand-in's per-call tables of faults, latencies and counts);
// people name them by the text (a network file, a call log). Both come from
// the one list below, so a call's number and its name cannot fall out of
// step, whatever is added or reordered.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Every call of the client interface, in the order Client.h declares them.
#define NW_CLIENT_CALLS(X)                                                                                             \
    X(NWCallsInit)                                                                                                     \
    X(NWGetDefaultConnRef)                                                                                             \
    X(NWGetKnownServersInfo)                                                                                           \
    X(NWGetVolumeName)                                                                                                 \
    X(NWGetObjDiskRestrictions)                                                                                        \
    X(NWCallsTerm)                                                                                                     \
    X(NWCCOpenConnByRef)                                                                                               \
    X(NWCCOpenConnByName)                                                                                              \
    X(NWCCGetConnRef)                                                                                                  \
    X(NWCCCloseConn)                                                                                                   \
    X(NWNetInit)                                                                                                       \
    X(NWGetDefaultNameContext)                                                                                         \
    X(NWDSCreateContextHandle)                                                                                         \
    X(NWDSSetContext)                                                                                                  \
    X(NWDSGetContext)                                                                                                  \
    X(NWDSAllocBuf)                                                                                                    \
    X(NWDSList)                                                                                                        \
    X(NWDSListContainers)                                                                                              \
    X(NWDSGetObjectCount)                                                                                              \
    X(NWDSGetObjectName)                                                                                               \
    X(NWDSResolveName)                                                                                                 \
    X(NWDSFreeBuf)                                                                                                     \
    X(NWDSFreeContext)                                                                                                 \
    X(NWNetTerm)

namespace nw {

enum class Call : std::uint8_t {
#define NW_CALL_ID(name) name,
    NW_CLIENT_CALLS(NW_CALL_ID)
#undef NW_CALL_ID
};

// kCallNames[i] is the name of the call numbered i.
inline constexpr std::array kCallNames = {
#define NW_CALL_NAME(name) std::string_view(#name),
    NW_CLIENT_CALLS(NW_CALL_NAME)
#undef NW_CALL_NAME
};

inline constexpr std::size_t kCallCount = kCallNames.size();

constexpr std::size_t callIndex(Call call) {
    return static_cast<std::size_t>(call);
}

constexpr std::string_view callName(Call call) {
    return kCallNames[callIndex(call)];
}

// The call of that exact name (names are case-sensitive, as in the client
// libraries), or nothing.
constexpr std::optional<Call> callNamed(std::string_view name) {
    for (std::size_t i = 0; i < kCallCount; ++i) {
        if (kCallNames[i] == name)
            return static_cast<Call>(i);
    }
    return std::nullopt;
}

} // namespace nw
