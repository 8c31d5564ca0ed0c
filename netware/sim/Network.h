#pragma once

// The simulated network: what the stand-in client knows about servers,
// volumes, the directory tree and disk usage, plus the knobs that make it
// misbehave on purpose (faults, chunk limits, latency).
//
// All text here is already 8-bit (Windows-1252), exactly as it crosses the
// client interface; the loader converts from the UTF-8 of the network file.

#include "netware/Protocol.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nwsim {

struct Volume {
    nw::nuint16 number = 0; // 0 to 63
    std::string name;       // 1 to 16 characters
};

struct Server {
    std::string name;            // bindery name, 1 to 47 characters
    std::vector<Volume> volumes; // sorted by number; gaps allowed
};

// Object classes and the naming attribute each is shown with in typed names.
enum class ObjectClass : std::uint8_t {
    Country,            // C=, container
    Organization,       // O=, container
    OrganizationalUnit, // OU=, container
    Locality,           // L=, container
    User,               // CN=, leaf (and every class below)
    Group,
    Printer,
    PrintQueue,
    NcpServer,
    Volume,
    DirectoryMap,
    Profile,
    Alias,
    Other,
};

bool isContainerClass(ObjectClass c);
const char* namingAttribute(ObjectClass c); // "C", "O", "OU", "L" or "CN"
// Whether a typed name component may carry the type: one of the naming
// attributes above, ignoring case.
bool isNamingType(std::string_view type);
const char* className(ObjectClass c); // the schema name, "Organizational Unit", "User" …
std::optional<ObjectClass> classFromName(const std::string& name);

// One figure of disk usage: the object's in-use blocks (4 KB each) and its
// restriction on one volume of one server.
struct Usage {
    std::uint32_t server = 0; // index into Network::servers
    nw::nuint16 volume = 0;
    nw::nint32 inUse = 0;
    nw::nint32 restriction = nw::kNoRestriction;
};

inline constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;

// One directory object. Entry 0 of Network::entries is [Root].
struct Entry {
    std::string name; // relative distinguished name value, as stored (no type, no escapes)
    ObjectClass cls = ObjectClass::Other;
    nw::nuint32 objectId = 0;
    std::uint32_t parent = kNoEntry;
    std::vector<std::uint32_t> children;   // in the order the directory delivers them
    std::vector<std::uint32_t> containers; // the subset of children that are containers, same order
    std::uint32_t usageBegin = 0;          // range in Network::usages
    std::uint32_t usageCount = 0;
};

// One injected failure: the named call returns `code` instead of doing its
// work, when every given matcher agrees.
struct Fault {
    std::string call; // client call name (Calls.h), e.g. "NWDSList"
    nw::NWRCODE code = 0;
    std::optional<std::string> server;  // server the call addresses (case-insensitive)
    std::optional<std::string> name;    // text argument: container, object, context or server name (case-insensitive)
    std::optional<int> volume;          // volume number argument
    std::optional<unsigned> occurrence; // only the nth matching call, counted from 1
};

struct Network {
    std::vector<Server> servers;     // in the order the known-servers scan delivers them
    std::vector<Entry> entries;      // entries[0] is [Root]
    std::vector<Usage> usages;       // grouped by entry (Entry::usageBegin / usageCount)
    std::string defaultContext;      // may be empty; need not exist
    std::uint32_t defaultServer = 0; // index into servers; the default connection's server

    // Listing chunks carry at most this many names (0: as many as fit the 4,096-byte buffer).
    std::uint32_t chunkLimit = 0;
    // Known-servers batches carry at most this many entries (0: as many as fit the 512-byte area).
    std::uint32_t serverBatchLimit = 0;
    // Delay added to every call, and per call name, in microseconds.
    std::uint32_t latencyMicros = 0;
    std::unordered_map<std::string, std::uint32_t> callLatencyMicros;
    std::vector<Fault> faults;
};

} // namespace nwsim
