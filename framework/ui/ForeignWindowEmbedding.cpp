#include "ForeignWindowEmbedding.h"

#include "Numbers.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <limits>

namespace {

// The display's X connection, or null on any other display.
xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Asked of the X server: Qt would take any number for a foreign window and only the X errors
// that follow would tell that no such window exists.
bool windowExists(xcb_connection_t* connection, WindowHandle window) {
    if (window == 0 || window > std::numeric_limits<uint32_t>::max()) return false;
    xcb_generic_error_t* error = nullptr;
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, static_cast<xcb_window_t>(window)), &error);
    std::free(error);
    const bool exists = reply != nullptr;
    std::free(reply);
    return exists;
}

}  // namespace

ForeignWindowEmbedding::~ForeignWindowEmbedding() { release(); }

AutomationStatus ForeignWindowEmbedding::embed(QWidget& window, WindowHandle host) {
    xcb_connection_t* x11 = x11Connection();
    if (!x11)
        return {AutomationFault::NotSupported,
                "the display (" + QGuiApplication::platformName().toStdString() +
                    ") cannot take in windows of other programs; embedding needs X11"};
    if (!windowExists(x11, host))
        return {AutomationFault::InvalidArgs,
                "there is no window " + numbers::formatInt(static_cast<int64_t>(host)) + " on the display"};
    std::unique_ptr<QWindow> foreign(QWindow::fromWinId(static_cast<WId>(host)));
    if (!foreign) return {AutomationFault::NotSupported, "the display cannot take in windows of other programs"};

    release();
    const bool visible = window.isVisible();
    // Changing the flags hides a top-level window; the native window itself stays.
    window.setWindowFlag(Qt::FramelessWindowHint, true);
    window.winId();
    window.windowHandle()->setParent(foreign.get());
    if (visible) window.show();
    window_ = &window;
    host_ = std::move(foreign);
    return {};
}

void ForeignWindowEmbedding::release() {
    if (!host_) return;
    if (window_ && window_->windowHandle() && window_->windowHandle()->parent() == host_.get())
        window_->windowHandle()->setParent(nullptr);
    window_.clear();
    host_.reset();
}
