#include "netware/sim/NetworkLoader.h"

#include "netware/sim/NetworkReader.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

namespace nwsim {
namespace {

nw::Refusal failure(const std::string& source, const std::string& place, const std::string& problem) {
    return {source + ": " + (place.empty() ? "top level" : place) + ": " + problem};
}

} // namespace

const std::vector<FormatObject>& networkFormatObjects() {
    return loader::formatObjects();
}

nw::Opened<Network> loadNetworkJson(std::string_view text, const std::string& sourceName) {
    try {
        loader::NetworkReader reader;
        return reader.read(loader::parseDocument(text));
    } catch (const loader::Refusal& refusal) {
        return failure(sourceName, refusal.place, refusal.problem);
    } catch (const std::bad_alloc&) {
        return failure(sourceName, "", "the network does not fit in the memory available");
    } catch (const std::exception& e) {
        return failure(sourceName, "", std::string("cannot be read: ") + e.what());
    }
}

nw::Opened<Network> loadNetworkFile(const std::string& path, std::uintmax_t maxBytes) {
    const auto unreadable = [&](const std::string& why) { return nw::Refusal{path + ": " + why}; };
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return unreadable("cannot be read: there is no such file");
    if (ec)
        return unreadable("cannot be read: " + ec.message());
    if (status.type() == std::filesystem::file_type::directory)
        return unreadable("cannot be read: it is a directory, not a file");

    std::ifstream in(path, std::ios::binary);
    if (!in)
        return unreadable("cannot be read: " + std::generic_category().message(errno));
    // Read in pieces rather than trusting the size the file system reports, so
    // that pipes and files that grow while being read are bounded too.
    std::string content;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        content.append(piece, static_cast<std::size_t>(in.gcount()));
        if (content.size() > maxBytes)
            return unreadable("cannot be read: it is larger than " + std::to_string(maxBytes >> 20) + " MiB");
    }
    if (in.bad())
        return unreadable("cannot be read: " + std::generic_category().message(errno));
    return loadNetworkJson(content, path);
}

} // namespace nwsim
