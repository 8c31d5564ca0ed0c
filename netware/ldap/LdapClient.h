#pragma once

// The directory client: the client interface over an LDAP directory and the
// file systems of this machine, through the client kit. Directory objects
// are the directory's entries, their object IDs the uidNumbers of the
// entries; the one server is this machine and its volumes are file systems,
// where an object's in-use figure is the space its uid owns there. Return
// codes are described in ErrorCodes.h, what a context handle remembers in
// DirectoryTree.h.
//
// Like the tool, the client is single-threaded.

#include "netware/ClientKit.h"
#include "netware/ldap/DirectorySource.h"
#include "netware/ldap/UsageScan.h"
#include "netware/ldap/Volumes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nwldap {

class LdapClient final : public nw::ClientKit {
public:
    // `defaultContext` is the dotted UTF-8 name of the workstation's default
    // context; empty, the first naming context of the directory is.
    LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Volume> volumes, const std::string& server,
               const std::string& defaultContext);
    ~LdapClient() override;
    LdapClient(const LdapClient&) = delete;
    LdapClient& operator=(const LdapClient&) = delete;

private:
    // LdapClient.cpp: the one server, its volumes, the usage on them.
    std::uint32_t serverCount() const override { return 1; }
    std::string_view serverName(std::uint32_t server) const override;
    std::uint32_t defaultServer() const override { return 0; }
    std::optional<std::string_view> nameOfVolume(std::uint32_t server, nw::nuint16 number) const override;
    nw::NWRCODE diskUsage(std::uint32_t server, nw::nuint8 volume, nw::nuint32 objectId, nw::DiskFigure& out) override;

    // LdapDirectory.cpp: the directory, read as each context handle needs it.
    std::string defaultNameContext() const override { return defaultContext_; }
    std::unique_ptr<nw::ContextMemory> newContextMemory() override;
    nw::EntryId root(nw::ContextMemory* memory) override;
    nw::NWRCODE child(nw::ContextMemory* memory, nw::EntryId parent, const nw::NameComponent& component,
                      nw::EntryId& out) override;
    nw::NWRCODE children(nw::ContextMemory* memory, nw::EntryId parent, bool containersOnly,
                         std::span<const nw::EntryId>& out) override;
    nw::EntryFacts facts(nw::ContextMemory* memory, nw::EntryId entry) const override;
    nw::nuint32 objectIdOf(nw::ContextMemory* memory, nw::EntryId entry) const override;
    nw::NWRCODE readChildren(DirectoryTree& tree, nw::EntryId parent);
    std::function<void(std::size_t)> readingProgress(const Entry& container);

    // A volume's totals, kept for the program's run: scanned at the first
    // disk query for the volume, and afresh once for a watcher that asks
    // for fresh figures.
    struct Figures {
        UsageTotals totals;
        bool scanned = false;
        std::uint64_t freshRound = 0; // the watch round it was scanned afresh in
    };
    const UsageTotals& totalsOf(nw::nuint8 volume);

    std::unique_ptr<DirectorySource> directory_;
    std::vector<Volume> volumes_;
    std::vector<Figures> figures_; // by volume number
    std::string server_;           // 8-bit
    std::string defaultContext_;   // 8-bit
};

// The dotted name of a naming context (its values escaped), or "[Root]".
std::string dottedName(const std::vector<NamingContext>& namingContexts);

} // namespace nwldap
