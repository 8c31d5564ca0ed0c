#pragma once

// What every benchmark stands on: the generated networks, a user channel
// that never blocks, and the real window loaded over a stand-in client.

#include "app/ListBox.h"
#include "app/MainWindow.h"
#include "netware/sim/Network.h"
#include "netware/sim/SimClient.h"
#include "session/UserChannel.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// The context every large listing starts from: the one organization at the
// top of a generated tree, so that a recursive listing reaches every object.
inline constexpr const char* kTopContext = "CORP";
inline constexpr const char* kServer = "FS1";
inline constexpr const char* kVolumeEntry = "[FS1] : SYS";

// Keeps `object` alive until releaseKept(), which destroys everything kept,
// newest first. Windows must go before the application object does, so the
// suite's shared windows and clients live here rather than in statics.
void keepAlive(std::shared_ptr<void> object);
void releaseKept();

template <typename T> T& kept(std::unique_ptr<T> object) {
    T& ref = *object;
    keepAlive(std::shared_ptr<T>(std::move(object)));
    return ref;
}

// A generated network of `objects` leaf objects: about 100 to a container,
// three levels of units deep, four servers of eight volumes, four in five
// objects using space on one to three volumes somewhere.
nwsim::Network generatedNetwork(std::uint32_t objects);

// A stand-in over the generated network of that size, built once per
// process and kept: building a million objects costs far more than one
// listing, and every benchmark of that size asks the same network.
nwsim::SimClient& sharedClient(std::uint32_t objects);

// Messages are counted, never shown: a benchmark that runs into one has
// measured the wrong thing and says so. The end of the program is real.
class QuietUser final : public vorlane::UserChannel {
public:
    void showMessage(const std::string& text) override;
    [[noreturn]] void endProgram(int status) override;

    std::vector<std::string> messages;
};

// A volume tree of `files` files of 0 to 8 KB, a thousand to a folder,
// owned by the 200 users U0.. of directoryClient() where this process may
// give files away; made once per size, removed when the suite ends.
const std::filesystem::path& volumeTree(std::uint32_t files);

// Drops the page cache; false where this process may not.
bool dropPageCache();

// A fresh directory client over a slapd of its own holding ou=BIG,o=ACME
// with `entries` users Ui (uidNumber 100000 + i), one per size for the
// whole suite, with the volume SYS of server FS1 at `volume`.
std::unique_ptr<nw::Client> directoryClient(std::uint32_t entries, const std::string& volume);

// The real window, not shown, loaded over `client` the way the program
// loads it, and the controls a user sets before a listing.
class ToolWindow {
public:
    explicit ToolWindow(nw::Client& client);

    // Selects the entry as a user would, without running its handler: a
    // benchmark runs the handler itself, as often as it needs.
    void selectVolume(const QString& entry);
    void selectServer(const QString& server);
    void setContext(const QString& context);
    void setRecurse(bool on);

    // Runs the listing a pick of the selected entry starts, as the picker's
    // signal starts it, and handles events until it has ended.
    void listByVolume();
    void listByServer();

    vorlane::ListBox& users() const;
    vorlane::ListBox& usage() const;
    // Messages shown since the window was made.
    const std::vector<std::string>& messages() const { return user_.messages; }

    vorlane::MainWindow& window() { return window_; }

private:
    template <typename T> T& control(const char* name) const;

    QuietUser user_;
    vorlane::MainWindow window_;
};

} // namespace bench
