#pragma once

#include "netware/ClientKit.h"
#include "netware/sim/Network.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nwsim {

// The stand-in client: answers every client call from a simulated network,
// through the client kit, and fails, waits and counts as the network
// description says.
//
// Besides the client interface and what the kit shows of its handles, it
// offers what tests and tools need to look inside and adjust.
class SimClient final : public nw::ClientKit {
public:
    explicit SimClient(Network network);
    ~SimClient() override;
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    // ---- Inspection and control, for tests and tools; not part of the client interface.
    const Network& network() const;
    void addFault(Fault fault);
    void setChunkLimit(std::uint32_t maxNamesPerChunk);         // 0: as many as fit the buffer
    void setServerBatchLimit(std::uint32_t maxServersPerBatch); // 0: as many as fit the area
    // How often the named client call has been made (faulted calls included).
    std::size_t callCount(std::string_view call) const;
    // With logging on, every call's name is kept in order; off by default so
    // that long runs do not grow without bound.
    void setCallLogging(bool on);
    std::vector<std::string> callLog() const;

private:
    // SimClientFaults.cpp: every call is counted, waits out its latency (a
    // cancel through the watcher stops the wait within a few milliseconds,
    // with kCancelled) and gets the code of an injected fault if one fires.
    std::optional<nw::NWRCODE> enter(nw::Call call, const nw::CallTarget& target) override;

    // SimClientServers.cpp
    std::uint32_t serverCount() const override;
    std::string_view serverName(std::uint32_t server) const override;
    std::optional<std::uint32_t> serverNamed(std::string_view name) const override;
    std::uint32_t defaultServer() const override;
    std::uint32_t serverBatchLimit() const override;
    std::optional<std::string_view> nameOfVolume(std::uint32_t server, nw::nuint16 number) const override;
    nw::NWRCODE diskUsage(std::uint32_t server, nw::nuint8 volume, nw::nuint32 objectId, nw::DiskFigure& out) override;

    // SimClient.cpp
    std::string defaultNameContext() const override;
    nw::EntryId root(nw::ContextMemory* memory) override;
    nw::NWRCODE child(nw::ContextMemory* memory, nw::EntryId parent, const nw::NameComponent& component,
                      nw::EntryId& out) override;
    nw::NWRCODE children(nw::ContextMemory* memory, nw::EntryId parent, bool containersOnly,
                         std::span<const nw::EntryId>& out) override;
    nw::EntryFacts facts(nw::ContextMemory* memory, nw::EntryId entry) const override;
    nw::nuint32 objectIdOf(nw::ContextMemory* memory, nw::EntryId entry) const override;
    std::uint32_t chunkLimit() const override;

    struct State;
    std::unique_ptr<State> state_;
};

} // namespace nwsim
