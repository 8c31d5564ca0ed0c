#pragma once

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace vorlane {

// Lets a window manager's request to close a window reach that window while
// a modal window of ours blocks it. Qt drops such a request (the close button
// in the title bar, Alt+F4) without a word, so the main window could not be
// closed while the progress window is up. The filter turns the request into
// close() on the window, for as long as `whileBlocked` says so; the window's
// own close handling decides what closing means then.
//
// Only X11 sends these requests through this path; on any other platform
// there is no filter and Qt's own handling applies.
class CloseRequestFilter final : public QAbstractNativeEventFilter {
public:
    // The X11 atoms that name a close request: a WM_PROTOCOLS client
    // message whose first word is WM_DELETE_WINDOW.
    struct Atoms {
        std::uint32_t protocols = 0;
        std::uint32_t deleteWindow = 0;
    };

    // The filter for `window`, installed, when the application runs on X11;
    // none elsewhere.
    static std::unique_ptr<CloseRequestFilter> forX11(QWidget& window, std::function<bool()> whileBlocked);

    // Installs itself for requests named by `atoms`; the base class takes
    // it out of the event dispatcher again when it goes.
    CloseRequestFilter(QWidget& window, std::function<bool()> whileBlocked, Atoms atoms);
    ~CloseRequestFilter() override = default;
    CloseRequestFilter(const CloseRequestFilter&) = delete;
    CloseRequestFilter& operator=(const CloseRequestFilter&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget& window_;
    std::function<bool()> whileBlocked_;
    Atoms atoms_;
};

} // namespace vorlane
