#include "app/CloseRequestFilter.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace vorlane {
namespace {

// Both atoms are asked for before either answer is awaited: one round trip.
bool internAtoms(xcb_connection_t* connection, std::uint32_t& protocols, std::uint32_t& deleteWindow) {
    constexpr char kProtocols[] = "WM_PROTOCOLS";
    constexpr char kDeleteWindow[] = "WM_DELETE_WINDOW";
    const auto protocolsCookie = xcb_intern_atom(connection, 0, sizeof kProtocols - 1, kProtocols);
    const auto deleteCookie = xcb_intern_atom(connection, 0, sizeof kDeleteWindow - 1, kDeleteWindow);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> protocolsReply(
        xcb_intern_atom_reply(connection, protocolsCookie, nullptr), &std::free);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> deleteReply(
        xcb_intern_atom_reply(connection, deleteCookie, nullptr), &std::free);
    if (protocolsReply == nullptr || deleteReply == nullptr)
        return false;
    protocols = protocolsReply->atom;
    deleteWindow = deleteReply->atom;
    return true;
}

} // namespace

CloseRequestFilter::CloseRequestFilter(QWidget& window, std::function<bool()> whileBlocked)
    : window_(window), whileBlocked_(std::move(whileBlocked)) {
    auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return;
    if (!internAtoms(x11->connection(), protocolsAtom_, deleteWindowAtom_))
        return;
    QCoreApplication::instance()->installNativeEventFilter(this);
    installed_ = true;
}

CloseRequestFilter::~CloseRequestFilter() {
    if (installed_ && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool CloseRequestFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t" || !whileBlocked_())
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The high bit marks an event another client sent, as a window manager does.
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* request = static_cast<const xcb_client_message_event_t*>(message);
    if (request->format != 32 || request->type != protocolsAtom_ || request->data.data32[0] != deleteWindowAtom_ ||
        request->window != static_cast<xcb_window_t>(window_.winId()))
        return false;
    window_.close();
    return true;
}

} // namespace vorlane
