// Embedding the main window in a host program's window, under a real X server: the test starts
// Xvfb on a display number the server picks itself, creates the host's window on an X connection
// of its own, and drives the program through a D-Bus daemon of its own. Where Xvfb cannot run
// at all the tests are skipped and say why.
#include "AutomationProgramFixture.h"

#include "ServerProcess.h"
#include "UiTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

// The X server of this test program, and why there is none when it could not start.
std::unique_ptr<ServerProcess> xServer;
std::string noXServer;

// The host program's side of the display: its own connection and window.
class HostWindow {
public:
    HostWindow() : connection_(xcb_connect(nullptr, nullptr)) {}
    ~HostWindow() { xcb_disconnect(connection_); }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    bool ok() const { return !xcb_connection_has_error(connection_); }

    // A mapped top-level window of the given size.
    xcb_window_t create(uint16_t width, uint16_t height) {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(connection_, window);
        sync();
        return window;
    }
    void destroy(xcb_window_t window) {
        xcb_destroy_window(connection_, window);
        sync();
    }

    // The window's parent as the X server has it, or nothing for an unknown window.
    std::optional<xcb_window_t> parentOf(xcb_window_t window) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
        if (!tree) return std::nullopt;
        const xcb_window_t parent = tree->parent;
        std::free(tree);
        return parent;
    }
    // Position in its parent and size.
    std::optional<QRect> geometryOf(xcb_window_t window) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
        if (!g) return std::nullopt;
        const QRect rect(g->x, g->y, g->width, g->height);
        std::free(g);
        return rect;
    }

private:
    // Every request so far has reached the server.
    void sync() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }

    xcb_connection_t* connection_;
};

class AutomationEmbeddingTest : public AutomationProgramFixture {
protected:
    HostWindow host;
};

TEST_F(AutomationEmbeddingTest, TheMainWindowBecomesAFramelessChildOfTheHostsWindow) {
    if (!xServer) GTEST_SKIP() << noXServer;
    ASSERT_TRUE(host.ok());
    ASSERT_NO_FATAL_FAILURE(start());
    const xcb_window_t hostWindow = host.create(1200, 900);

    const auto mainWindow = static_cast<xcb_window_t>(fromWireHandle(init(static_cast<int>(hostWindow)).value(0).toInt()));
    ASSERT_NE(mainWindow, 0u);

    ASSERT_EQ(errorOf(QStringLiteral("comConnectApplication")), "");
    ASSERT_EQ(errorOf(QStringLiteral("comSetPosition"), {30, 40, 1000, 700}), "");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    // The id handed out by comInit is the window that now lives in the host's window.
    EXPECT_EQ(static_cast<xcb_window_t>(window->winId()), mainWindow);
    EXPECT_TRUE(processEventsUntil([&] {
        return host.parentOf(mainWindow) == hostWindow && host.geometryOf(mainWindow) == QRect(40, 30, 1000, 700);
    })) << "parent " << host.parentOf(mainWindow).value_or(0) << ", expected " << hostWindow;

    // Placing again moves it inside the host's window.
    ASSERT_EQ(errorOf(QStringLiteral("comSetPosition"), {7, 5, 1100, 800}), "");
    EXPECT_TRUE(processEventsUntil([&] { return host.geometryOf(mainWindow) == QRect(5, 7, 1100, 800); }));
    EXPECT_EQ(host.parentOf(mainWindow), hostWindow);

    // The embedding ends with the automation object; the main window is the desktop's again.
    object.reset();
    EXPECT_TRUE(processEventsUntil([&] { return host.parentOf(mainWindow) != hostWindow; }));
}

TEST_F(AutomationEmbeddingTest, AWindowThatIsGoneIsRefused) {
    if (!xServer) GTEST_SKIP() << noXServer;
    ASSERT_TRUE(host.ok());
    ASSERT_NO_FATAL_FAILURE(start());
    const xcb_window_t gone = host.create(100, 100);
    host.destroy(gone);

    init(static_cast<int>(gone));
    const QDBusMessage reply = client->call(QStringLiteral("comConnectApplication"));
    EXPECT_EQ(errorNameOf(reply), "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_TRUE(reply.errorMessage().contains(QString::number(gone))) << reply.errorMessage().toStdString();
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window->windowHandle() ? window->windowHandle()->parent() : nullptr, nullptr);
}

}  // namespace

// Starts the X server before the application, which connects to it at construction.
int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    if (!listing) {
        xServer = ServerProcess::start({"Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-noreset", "-screen", "0",
                                        "1600x1200x24"},
                                       noXServer);
        if (xServer) {
            const std::string display = ":" + xServer->announcement();
            // The server may run but refuse us; then there is no X display for this test either.
            xcb_connection_t* probe = xcb_connect(display.c_str(), nullptr);
            if (xcb_connection_has_error(probe)) {
                noXServer = "Xvfb started on " + display + " but accepts no connection";
                xServer.reset();
            }
            xcb_disconnect(probe);
        }
        if (!noXServer.empty()) noXServer = "no X server for the embedding test: " + noXServer;
        if (xServer) {
            setenv("DISPLAY", (":" + xServer->announcement()).c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
        }
    }
    if (!xServer) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    xServer.reset();
    return result;
}
