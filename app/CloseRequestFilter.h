#pragma once

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <functional>

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
// the filter is never installed and Qt's own handling applies.
class CloseRequestFilter final : public QAbstractNativeEventFilter {
public:
    // Installs itself when the application runs on X11; does nothing else.
    CloseRequestFilter(QWidget& window, std::function<bool()> whileBlocked);
    ~CloseRequestFilter() override;
    CloseRequestFilter(const CloseRequestFilter&) = delete;
    CloseRequestFilter& operator=(const CloseRequestFilter&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget& window_;
    std::function<bool()> whileBlocked_;
    bool installed_ = false;
    std::uint32_t protocolsAtom_ = 0;
    std::uint32_t deleteWindowAtom_ = 0;
};

} // namespace vorlane
