#include "netware/sim/NetworkReader.h"

#include "netware/Calls.h"
#include "netware/Charset.h"
#include "netware/sim/Generator.h"
#include "netware/sim/NameRules.h"

#include <algorithm>

namespace nwsim::loader {

Network NetworkReader::read(const Json& document) {
    checkedObject(document, "", "network");
    const Json* servers = member(document, "servers");
    const Json* tree = member(document, "tree");
    // A generated network brings its own servers and tree; mixing in written
    // ones would make the generated names and IDs depend on them.
    if (const Json* generate = member(document, "generate")) {
        if (servers != nullptr || tree != nullptr)
            refuse(servers != nullptr ? "/servers" : "/tree",
                   "cannot be combined with \"generate\", which makes the servers and the tree itself");
        readGenerate(*generate, "/generate");
    } else {
        if (servers == nullptr)
            refuse("", "missing key \"servers\" (or \"generate\")");
        readServers(*servers, "/servers");
        readTree(tree, "/tree");
    }
    readSettings(document);
    return std::move(net_);
}

void NetworkReader::readSettings(const Json& document) {
    if (const Json* v = member(document, "defaultServer"))
        net_.defaultServer = serverNamed(text(*v, "/defaultServer"), "/defaultServer");
    if (const Json* v = member(document, "defaultContext")) {
        const std::string& context = text(*v, "/defaultContext");
        if (hasControlCharacter(context))
            refuse("/defaultContext", "the default context contains a control character");
        net_.defaultContext = nw::utf8ToCp1252(context);
        if (net_.defaultContext.size() > nw::kMaxDnChars)
            refuse("/defaultContext", "the default context is " + std::to_string(net_.defaultContext.size()) +
                                          " characters long; at most " + std::to_string(nw::kMaxDnChars) + " fit");
    }
    if (const Json* v = member(document, "chunkLimit"))
        net_.chunkLimit = static_cast<std::uint32_t>(wholeNumber(*v, "/chunkLimit", 0, UINT32_MAX));
    if (const Json* v = member(document, "serverBatchLimit"))
        net_.serverBatchLimit = static_cast<std::uint32_t>(wholeNumber(*v, "/serverBatchLimit", 0, UINT32_MAX));
    if (const Json* v = member(document, "latency"))
        readLatency(*v, "/latency");
    if (const Json* v = member(document, "faults"))
        readFaults(*v, "/faults");
}

void NetworkReader::readServers(const Json& value, const std::string& place) {
    const auto& list = array(value, place);
    if (list.empty())
        refuse(place, "at least one server is needed: the default connection is to one of them");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string serverPlace = at(place, i);
        const Json& server = checkedObject(list[i], serverPlace, "server");
        Server written;
        written.name = text(server["name"], at(serverPlace, "name"));
        const std::string volumesPlace = at(serverPlace, "volumes");
        const auto& volumes = array(server["volumes"], volumesPlace);
        for (std::size_t v = 0; v < volumes.size(); ++v) {
            const std::string volumePlace = at(volumesPlace, v);
            const Json& volume = checkedObject(volumes[v], volumePlace, "volume");
            const auto number = wholeNumber(volume["number"], at(volumePlace, "number"), 0, nw::kMaxVolumes - 1);
            written.volumes.push_back(
                {static_cast<nw::nuint16>(number), text(volume["name"], at(volumePlace, "name"))});
        }
        admitServer(std::move(written), serverPlace);
    }
}

// Every server comes through here, written or generated: its names, still as
// written (UTF-8), are checked, converted to 8-bit and indexed.
void NetworkReader::admitServer(Server server, const std::string& place) {
    const std::string namePlace = at(place, "name");
    if (const std::string problem = serverNameProblem(server.name); !problem.empty())
        refuse(namePlace, problem);
    const auto index = static_cast<std::uint32_t>(net_.servers.size());
    if (const auto [it, added] = serverIndex_.emplace(nw::foldedCp1252(nw::utf8ToCp1252(server.name)), index); !added)
        refuse(namePlace, "the server name " + inQuotes(server.name) + " is already used by " +
                              at(at("", "servers"), it->second) + " (server names ignore case)");
    server.name = nw::utf8ToCp1252(server.name);

    const std::string volumesPlace = at(place, "volumes");
    std::unordered_map<nw::nuint16, std::size_t> numbers;
    std::unordered_map<std::string, std::size_t> names;
    for (std::size_t v = 0; v < server.volumes.size(); ++v) {
        Volume& volume = server.volumes[v];
        const std::string volumePlace = at(volumesPlace, v);
        if (const auto [it, added] = numbers.emplace(volume.number, v); !added)
            refuse(at(volumePlace, "number"), "volume number " + std::to_string(volume.number) +
                                                  " is already used by " + at(volumesPlace, it->second));
        if (const std::string problem = volumeNameProblem(volume.name); !problem.empty())
            refuse(at(volumePlace, "name"), problem);
        if (const auto [it, added] = names.emplace(nw::foldedCp1252(nw::utf8ToCp1252(volume.name)), v); !added)
            refuse(at(volumePlace, "name"), "the volume name " + inQuotes(volume.name) + " is already used by " +
                                                at(volumesPlace, it->second) + " (volume names ignore case)");
        volume.name = nw::utf8ToCp1252(volume.name);
    }
    std::ranges::sort(server.volumes, {}, &Volume::number);
    net_.servers.push_back(std::move(server));
}

void NetworkReader::readGenerate(const Json& value, const std::string& place) {
    const Json& g = checkedObject(value, place, "generate");
    GeneratorSettings s;
    const auto figure = [&](std::string_view key, std::uint32_t& out, std::uint32_t min, std::uint32_t max) {
        if (const Json* v = member(g, key))
            out = static_cast<std::uint32_t>(wholeNumber(*v, at(place, key), min, max));
    };
    figure("objects", s.objects, 0, kMaxGeneratedObjects);
    figure("objectsPerContainer", s.objectsPerContainer, 1, kMaxObjectsPerContainer);
    figure("depth", s.depth, 1, kMaxGeneratedDepth);
    figure("servers", s.servers, 1, kMaxGeneratedServers);
    figure("volumesPerServer", s.volumesPerServer, 1, nw::kMaxVolumes);
    if (const Json* v = member(g, "usageFraction"))
        s.usageFraction = fraction(*v, at(place, "usageFraction"));
    if (const Json* v = member(g, "seed"))
        s.seed = wholeNumber(*v, at(place, "seed"), 0, UINT64_MAX);
    Network generated = generateNetwork(s);
    for (std::size_t i = 0; i < generated.servers.size(); ++i)
        admitServer(std::move(generated.servers[i]), at(place, "servers"));
    generated.servers = std::move(net_.servers);
    net_ = std::move(generated);
}

std::uint32_t NetworkReader::serverNamed(const std::string& utf8, const std::string& place) const {
    const auto it = serverIndex_.find(nw::foldedCp1252(nw::utf8ToCp1252(utf8)));
    if (it == serverIndex_.end())
        refuse(place, "there is no server named " + inQuotes(utf8));
    return it->second;
}

void NetworkReader::readLatency(const Json& value, const std::string& place) {
    const Json& latency = checkedObject(value, place, "latency");
    if (const Json* v = member(latency, "all"))
        net_.latencyMicros = static_cast<std::uint32_t>(wholeNumber(*v, at(place, "all"), 0, kMaxLatencyMicros));
    if (const Json* v = member(latency, "calls")) {
        const std::string callsPlace = at(place, "calls");
        if (!v->is_object())
            refuse(callsPlace, "expected an object, found " + describe(*v));
        for (const auto& [call, micros] : v->items()) {
            if (!nw::callNamed(call))
                refuse(at(callsPlace, call), "unknown call " + inQuotes(call));
            net_.callLatencyMicros[call] =
                static_cast<std::uint32_t>(wholeNumber(micros, at(callsPlace, call), 0, kMaxLatencyMicros));
        }
    }
}

void NetworkReader::readFaults(const Json& value, const std::string& place) {
    const auto& list = array(value, place);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string faultPlace = at(place, i);
        const Json& fault = checkedObject(list[i], faultPlace, "fault");
        Fault out;
        const std::string callPlace = at(faultPlace, "call");
        out.call = text(fault["call"], callPlace);
        if (!nw::callNamed(out.call))
            refuse(callPlace, "unknown call " + inQuotes(out.call));
        out.code =
            static_cast<nw::NWRCODE>(signedWholeNumber(fault["code"], at(faultPlace, "code"), INT32_MIN, INT32_MAX));
        // A fault naming a server the network lacks could never fire: most
        // likely a typing error, which would otherwise go unnoticed.
        if (const Json* v = member(fault, "server")) {
            const std::string serverPlace = at(faultPlace, "server");
            out.server = net_.servers[serverNamed(text(*v, serverPlace), serverPlace)].name;
        }
        if (const Json* v = member(fault, "name"))
            out.name = nw::utf8ToCp1252(text(*v, at(faultPlace, "name")));
        if (const Json* v = member(fault, "volume"))
            out.volume = static_cast<int>(wholeNumber(*v, at(faultPlace, "volume"), 0, UINT16_MAX));
        if (const Json* v = member(fault, "occurrence"))
            out.occurrence = static_cast<unsigned>(wholeNumber(*v, at(faultPlace, "occurrence"), 1, UINT32_MAX));
        net_.faults.push_back(std::move(out));
    }
}

} // namespace nwsim::loader
