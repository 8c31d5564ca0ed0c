#include "app/CloseRequestFilter.h"

#include <QAbstractEventDispatcher>
#include <QWidget>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

namespace {

// A window manager's request to close, as X11 delivers it to the program,
// for the window, atoms and blocking of each case.
TEST(CloseRequestFilter, ClosesTheBlockedWindowOnItsOwnDeleteRequestOnly) {
    QWidget window;
    bool blocked = true;
    const vorlane::CloseRequestFilter::Atoms atoms{70, 80};
    auto filter = std::make_unique<vorlane::CloseRequestFilter>(
        window, [&blocked] { return blocked; }, atoms);

    struct Case {
        const char* what;
        std::function<void(xcb_client_message_event_t&, QByteArray&)> change;
        bool closes;
    };
    const Case cases[] = {
        {"a request", [](auto&, auto&) {}, true},
        {"not sent by another client", [](auto& e, auto&) { e.response_type = XCB_CLIENT_MESSAGE; }, true},
        {"not blocked", [&blocked](auto&, auto&) { blocked = false; }, false},
        {"another kind of native event", [](auto&, auto& type) { type = "windows_generic_MSG"; }, false},
        {"another X event", [](auto& e, auto&) { e.response_type = XCB_KEY_PRESS; }, false},
        {"another format", [](auto& e, auto&) { e.format = 16; }, false},
        {"another message", [](auto& e, auto&) { e.type = 81; }, false},
        {"another protocol", [](auto& e, auto&) { e.data.data32[0] = 71; }, false},
        {"another window", [](auto& e, auto&) { e.window += 1; }, false},
    };
    for (const Case& c : cases) {
        window.show();
        blocked = true;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE | 0x80;
        event.format = 32;
        event.window = static_cast<xcb_window_t>(window.winId());
        event.type = atoms.protocols;
        event.data.data32[0] = atoms.deleteWindow;
        QByteArray type = "xcb_generic_event_t";
        c.change(event, type);
        qintptr result = 0;
        EXPECT_EQ(QAbstractEventDispatcher::instance()->filterNativeEvent(type, &event, &result), c.closes) << c.what;
        EXPECT_EQ(window.isVisible(), !c.closes) << c.what;
    }

    filter.reset();
    window.show();
    xcb_client_message_event_t event{XCB_CLIENT_MESSAGE, 32, 0, static_cast<xcb_window_t>(window.winId()), 70, {}};
    event.data.data32[0] = 80;
    qintptr result = 0;
    EXPECT_FALSE(QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &event, &result))
        << "a filter that is gone filters nothing";
}

} // namespace
