#include "bench/Fixtures.h"

#include "netware/sim/Generator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>

namespace bench {

nwsim::Network generatedNetwork(std::uint32_t objects) {
    nwsim::GeneratorSettings settings;
    settings.objects = objects;
    settings.objectsPerContainer = 100;
    settings.depth = 3;
    settings.servers = 4;
    settings.volumesPerServer = 8;
    settings.usageFraction = 0.8;
    settings.seed = 1;
    nwsim::Network network = nwsim::generateNetwork(settings);
    network.defaultContext = kTopContext;
    return network;
}

namespace {

std::vector<std::shared_ptr<void>>& keptObjects() {
    static std::vector<std::shared_ptr<void>> objects;
    return objects;
}

} // namespace

void keepAlive(std::shared_ptr<void> object) {
    keptObjects().push_back(std::move(object));
}

void releaseKept() {
    auto& objects = keptObjects();
    while (!objects.empty())
        objects.pop_back();
}

nwsim::SimClient& sharedClient(std::uint32_t objects) {
    static std::map<std::uint32_t, nwsim::SimClient*> clients;
    auto& slot = clients[objects];
    if (slot == nullptr)
        slot = &kept(std::make_unique<nwsim::SimClient>(generatedNetwork(objects)));
    return *slot;
}

void QuietUser::showMessage(const std::string& text) {
    messages.push_back(text);
}

void QuietUser::endProgram(int status) {
    std::fprintf(stderr, "the program would end here with status %d\n", status);
    std::_Exit(status);
}

ToolWindow::ToolWindow(nw::Client& client) : window_(client, user_) {
    window_.Form_Load();
}

template <typename T> T& ToolWindow::control(const char* name) const {
    auto* widget = window_.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr)
        throw std::logic_error(std::string("the window has no control ") + name);
    return *widget;
}

namespace {

void select(QComboBox& box, const QString& text) {
    const int index = box.findText(text);
    if (index < 0)
        throw std::logic_error("no entry " + text.toStdString());
    box.setCurrentIndex(index);
}

} // namespace

void ToolWindow::selectVolume(const QString& entry) {
    select(control<QComboBox>("cmbVolumes"), entry);
}

void ToolWindow::selectServer(const QString& server) {
    select(control<QComboBox>("cmbServer"), server);
}

void ToolWindow::setContext(const QString& context) {
    control<QLineEdit>("txtContext").setText(context);
}

void ToolWindow::setRecurse(bool on) {
    control<QCheckBox>("optRecurse").setChecked(on);
}

namespace {

void listFrom(vorlane::MainWindow& window, QComboBox& picker) {
    Q_EMIT picker.activated(picker.currentIndex());
    while (window.listingRunning())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

void ToolWindow::listByVolume() {
    listFrom(window_, control<QComboBox>("cmbVolumes"));
}

void ToolWindow::listByServer() {
    listFrom(window_, control<QComboBox>("cmbServer"));
}

vorlane::ListBox& ToolWindow::users() const {
    return control<vorlane::ListBox>("lstUsers");
}

vorlane::ListBox& ToolWindow::usage() const {
    return control<vorlane::ListBox>("lstUsage");
}

} // namespace bench
