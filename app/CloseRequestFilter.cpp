#include "app/CloseRequestFilter.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <optional>

namespace vorlane {
namespace {

// Both atoms are asked for before either answer is awaited: one round trip.
std::optional<CloseRequestFilter::Atoms> internAtoms(xcb_connection_t* connection) {
    constexpr char kProtocols[] = "WM_PROTOCOLS";
    constexpr char kDeleteWindow[] = "WM_DELETE_WINDOW";
    const auto protocolsCookie = xcb_intern_atom(connection, 0, sizeof kProtocols - 1, kProtocols);
    const auto deleteCookie = xcb_intern_atom(connection, 0, sizeof kDeleteWindow - 1, kDeleteWindow);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> protocolsReply(
        xcb_intern_atom_reply(connection, protocolsCookie, nullptr), &std::free);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> deleteReply(
        xcb_intern_atom_reply(connection, deleteCookie, nullptr), &std::free);
    if (protocolsReply == nullptr || deleteReply == nullptr)
        return std::nullopt;
    return CloseRequestFilter::Atoms{protocolsReply->atom, deleteReply->atom};
}

} // namespace

std::unique_ptr<CloseRequestFilter> CloseRequestFilter::forX11(QWidget& window, std::function<bool()> whileBlocked) {
    auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return nullptr;
    const std::optional<Atoms> atoms = internAtoms(x11->connection());
    if (!atoms)
        return nullptr;
    return std::make_unique<CloseRequestFilter>(window, std::move(whileBlocked), *atoms);
}

CloseRequestFilter::CloseRequestFilter(QWidget& window, std::function<bool()> whileBlocked, Atoms atoms)
    : window_(window), whileBlocked_(std::move(whileBlocked)), atoms_(atoms) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool CloseRequestFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t" || !whileBlocked_())
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The high bit marks an event another client sent, as a window manager does.
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* request = static_cast<const xcb_client_message_event_t*>(message);
    if (request->format != 32 || request->type != atoms_.protocols || request->data.data32[0] != atoms_.deleteWindow ||
        request->window != static_cast<xcb_window_t>(window_.winId()))
        return false;
    window_.close();
    return true;
}

} // namespace vorlane
