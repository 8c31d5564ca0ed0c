#pragma once

// The client calls by number and by name. Faults, latencies, call counts and
// the call log name calls by the text a user writes in a network file; the
// stand-in keeps its per-call tables by number. Both come from the one list
// below, so a call's number and its name cannot fall out of step, whatever
// is added or reordered.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Every call of the client interface, in the order Client.h declares them.
#define NWSIM_CLIENT_CALLS(X)                                                                                          \
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

namespace nwsim {

enum class Call : std::uint8_t {
#define NWSIM_CALL_ID(name) name,
    NWSIM_CLIENT_CALLS(NWSIM_CALL_ID)
#undef NWSIM_CALL_ID
};

// kCallNames[i] is the name of the call numbered i.
inline constexpr std::array kCallNames = {
#define NWSIM_CALL_NAME(name) std::string_view(#name),
    NWSIM_CLIENT_CALLS(NWSIM_CALL_NAME)
#undef NWSIM_CALL_NAME
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

} // namespace nwsim
