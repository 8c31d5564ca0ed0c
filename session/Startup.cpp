#include "session/Startup.h"

#include "netware/Charset.h"
#include "session/Fatal.h"

#include <array>
#include <cstdlib>

namespace vorlane {
namespace {

[[noreturn]] void failStartup(UserChannel& user, const std::string& text) {
    user.showMessage(text);
    user.endProgram(kFailureExitStatus);
    std::abort(); // a channel whose endProgram returned broke its promise
}

} // namespace

StartupState startClient(nw::Client& client, UserChannel& user) {
    StartupState state;

    nw::nuint8 reserved1 = 0;
    nw::nuint8 reserved2 = 0;
    nw::NWRCODE rc = client.NWCallsInit(&reserved1, &reserved2);
    if (rc != nw::kSuccess)
        failStartup(user, "NWCallsInit failed - " + std::to_string(rc));

    reserved1 = 0;
    reserved2 = 0;
    rc = client.NWNetInit(&reserved1, &reserved2);
    if (rc != nw::kSuccess)
        failStartup(user, "NWNetInit failed - " + std::to_string(rc));

    // The client is told one byte less than the buffer holds, so the text
    // ends at the last byte at the latest whatever the client writes.
    std::array<char, nw::kDefaultContextSize + 1> context{};
    rc = client.NWGetDefaultNameContext(nw::kDefaultContextSize, context.data());
    if (rc != nw::kSuccess)
        failStartup(user, "Couldn't get default context (" + std::to_string(rc) + ")");
    state.defaultContext = nw::cp1252ToUtf8(niceStr(std::string_view(context.data(), context.size())));

    rc = client.NWGetDefaultConnRef(&state.defConnRef);
    if (rc != nw::kSuccess)
        die(user, rc, "NWGetDefaultConnRef");

    rc = client.NWCCOpenConnByRef(state.defConnRef, nw::kOpenStatePrivate, 0, &state.defConnH);
    if (rc != nw::kSuccess)
        die(user, rc, "NWCCOpenConnByRef");

    return state;
}

void stopClient(nw::Client& client) {
    nw::nuint8 reserved = 0;
    client.NWCallsTerm(&reserved);
    reserved = 0;
    client.NWNetTerm(&reserved);
}

} // namespace vorlane
