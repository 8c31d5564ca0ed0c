#pragma once

// The directory client: the client interface over an LDAP directory and the
// site's file servers, through the client kit. Directory objects are the
// directory's entries; an entry's object ID is its uidNumber, or, without
// one, an ID that stands for its account name. The servers are this machine
// or servers reached over SSH (Servers.h), their volumes directory trees,
// and an object's in-use figure is the space its uid owns there, or that the
// owners of its account name own. Return codes are described in
// ErrorCodes.h, what a context handle remembers in DirectoryTree.h.
//
// Like the tool, the client is single-threaded.

#include "netware/ClientKit.h"
#include "netware/ldap/DirectorySource.h"
#include "netware/ldap/Servers.h"
#include "netware/ldap/UsageScan.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace nwldap {

class LdapClient final : public nw::ClientKit {
public:
    // `defaultContext` is the dotted UTF-8 name of the workstation's default
    // context; empty, the first naming context of the directory is. The
    // first server holds the directory (the default connection's).
    LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Server> servers,
               const std::string& defaultContext);
    // This machine alone, by that name, with these volumes.
    LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Volume> volumes, const std::string& server,
               const std::string& defaultContext);
    ~LdapClient() override;
    LdapClient(const LdapClient&) = delete;
    LdapClient& operator=(const LdapClient&) = delete;

private:
    // LdapClient.cpp: the servers, their volumes, the usage on them.
    std::optional<nw::NWRCODE> enter(nw::Call call, const nw::CallTarget& target) override;
    std::uint32_t serverCount() const override { return static_cast<std::uint32_t>(servers_.size()); }
    std::string_view serverName(std::uint32_t server) const override { return names8_[server]; }
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

    // A volume's figures, kept for the program's run: scanned at the first
    // disk query for the volume, and afresh once for a watcher that asks
    // for fresh figures.
    struct Figures {
        std::unordered_map<std::uint32_t, std::uint64_t> blocksByOwner; // uid -> 512-byte blocks
        // The owners' names on the server that holds the volume, folded,
        // with what they own: how an entry without a uidNumber is found.
        std::unordered_map<std::string, std::uint64_t> blocksByName;
        bool scanned = false;
        std::uint64_t freshRound = 0; // the watch round it was scanned afresh in
    };
    // LdapUsage.cpp
    nw::NWRCODE figuresOf(std::uint32_t server, nw::nuint8 volume, const Figures*& out);
    nw::NWRCODE scanLocal(const Volume& volume, Figures& out);
    nw::NWRCODE scanRemote(const Server& server, const Volume& volume, Figures& out);
    std::function<void(std::uint64_t)> scanningProgress(const Volume& volume);
    bool cancelled() const;
    // The ID that stands for an account name, the same one every time.
    nw::nuint32 accountId(const std::string& account) const;

    std::unique_ptr<DirectorySource> directory_;
    std::vector<Server> servers_;
    std::vector<std::string> names8_;           // the servers' names, 8-bit
    std::vector<std::vector<Figures>> figures_; // by server, by volume number
    std::vector<bool> reached_;                 // by server: its scanner answered once
    std::string defaultContext_;                // 8-bit
    // Account names (folded) by the IDs that stand for them, from
    // kFirstAccountId up; handed out as entries are read.
    mutable std::unordered_map<std::string, nw::nuint32> accountIds_;
    mutable std::vector<std::string> accounts_;
};

// The dotted name of a naming context (its values escaped), or "[Root]".
std::string dottedName(const std::vector<NamingContext>& namingContexts);

} // namespace nwldap
