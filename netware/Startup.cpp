#include "netware/Startup.h"

#include "netware/Charset.h"
#include "netware/Fatal.h"

#include <array>
#include <cstdlib>

namespace nw {
namespace {

[[noreturn]] void failStartup(UserChannel& user, const std::string& text) {
    user.showMessage(text);
    user.endProgram(kFailureExitStatus);
    std::abort(); // a channel whose endProgram returned broke its promise
}

} // namespace

StartupState startClient(Client& client, UserChannel& user) {
    StartupState state;

    nuint8 reserved1 = 0;
    nuint8 reserved2 = 0;
    NWRCODE rc = client.NWCallsInit(&reserved1, &reserved2);
    if (rc != kSuccess)
        failStartup(user, "NWCallsInit failed - " + std::to_string(rc));

    reserved1 = 0;
    reserved2 = 0;
    rc = client.NWNetInit(&reserved1, &reserved2);
    if (rc != kSuccess)
        failStartup(user, "NWNetInit failed - " + std::to_string(rc));

    // The client is told one byte less than the buffer holds, so the text
    // ends at the last byte at the latest whatever the client writes.
    std::array<char, kDefaultContextSize + 1> context{};
    rc = client.NWGetDefaultNameContext(kDefaultContextSize, context.data());
    if (rc != kSuccess)
        failStartup(user, "Couldn't get default context (" + std::to_string(rc) + ")");
    state.defaultContext = cp1252ToUtf8(niceStr(std::string_view(context.data(), context.size())));

    rc = client.NWGetDefaultConnRef(&state.defConnRef);
    if (rc != kSuccess)
        die(user, rc, "NWGetDefaultConnRef");

    rc = client.NWCCOpenConnByRef(state.defConnRef, kOpenStatePrivate, 0, &state.defConnH);
    if (rc != kSuccess)
        die(user, rc, "NWCCOpenConnByRef");

    return state;
}

void stopClient(Client& client) {
    nuint8 reserved = 0;
    client.NWCallsTerm(&reserved);
    reserved = 0;
    client.NWNetTerm(&reserved);
}

} // namespace nw
