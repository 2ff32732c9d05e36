#pragma once
// The main window inside a window of another program (the automation client's), on X11: the
// window loses its frame and becomes a child of the client's window, so the client's placing
// (move, resize) is relative to its own window. Other displays (Wayland, offscreen) cannot take
// in foreign windows: there embedding is refused, never half done.
//
// The embedding holds the client's window for as long as the main window lives in it; ending
// the embedding (or destroying this object) gives the main window back to the desktop first, so
// the client's window never takes the main window's native window with it.

#include "AutomationHub.h"
#include "AutomationRequests.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <memory>

class ForeignWindowEmbedding {
public:
    ForeignWindowEmbedding() = default;
    ~ForeignWindowEmbedding();
    ForeignWindowEmbedding(const ForeignWindowEmbedding&) = delete;
    ForeignWindowEmbedding& operator=(const ForeignWindowEmbedding&) = delete;

    // Makes `window` a frameless child of the foreign window `host`. Refused, changing nothing:
    // NotSupported on a display without foreign windows, InvalidArgs when there is no window
    // `host` on the display. A visible window stays visible.
    AutomationStatus embed(QWidget& window, WindowHandle host);
    // The main window a top-level window again (still frameless); nothing when not embedded.
    void release();

    bool embedded() const { return host_ != nullptr; }

private:
    QPointer<QWidget> window_;
    std::unique_ptr<QWindow> host_;
};
