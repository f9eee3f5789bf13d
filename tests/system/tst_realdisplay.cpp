#include "testsupport.h"

#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

// Starts the real program on the X display this test runs on (xvfb-run gives it
// one), waits for its window, and closes it the way a window manager would. The
// program is the one built here, or the one LADLEWISE_BINARY names.
class tst_RealDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void closingTheWindowEndsTheProgramWithSuccess();

private:
    xcb_atom_t atom(const char *name) const;
    QByteArray property(xcb_window_t window, xcb_atom_t name) const;
    xcb_window_t mappedWindowTitled(const QByteArray &title) const;
    void sendDeleteWindow(xcb_window_t window) const;

    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_NONE;
};

void tst_RealDisplay::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "run me under xvfb-run");
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    QVERIFY2(!xcb_connection_has_error(connection), "cannot reach the X display");
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    root = screens.data->root;
}

void tst_RealDisplay::cleanupTestCase()
{
    if (connection)
        xcb_disconnect(connection);
}

xcb_atom_t tst_RealDisplay::atom(const char *name) const
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, false, qstrlen(name), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : XCB_NONE;
}

QByteArray tst_RealDisplay::property(xcb_window_t window, xcb_atom_t name) const
{
    const xcb_get_property_cookie_t cookie =
            xcb_get_property(connection, false, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return QByteArray();
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

xcb_window_t tst_RealDisplay::mappedWindowTitled(const QByteArray &title) const
{
    const xcb_query_tree_cookie_t cookie = xcb_query_tree(connection, root);
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(connection, cookie, nullptr), &std::free);
    if (!tree)
        return XCB_NONE;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (property(children[i], XCB_ATOM_WM_NAME) != title)
            continue;
        const xcb_get_window_attributes_cookie_t attributes =
                xcb_get_window_attributes(connection, children[i]);
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
                xcb_get_window_attributes_reply(connection, attributes, nullptr), &std::free);
        if (reply && reply->map_state == XCB_MAP_STATE_VIEWABLE)
            return children[i];
    }
    return XCB_NONE;
}

void tst_RealDisplay::sendDeleteWindow(xcb_window_t window) const
{
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, false, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

void tst_RealDisplay::closingTheWindowEndsTheProgramWithSuccess()
{
    TemporaryHome home;
    QVERIFY(home.isValid());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path(""));
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(qEnvironmentVariable("LADLEWISE_BINARY", LADLEWISE_BINARY), QStringList());
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

    xcb_window_t window = XCB_NONE;
    QTRY_VERIFY_WITH_TIMEOUT((window = mappedWindowTitled("Ladlewise")) != XCB_NONE, 30000);
    const QByteArray protocols = property(window, atom("WM_PROTOCOLS"));
    const xcb_atom_t deleteWindow = atom("WM_DELETE_WINDOW");
    QVERIFY2(protocols.contains(QByteArray(reinterpret_cast<const char *>(&deleteWindow), 4)),
             "the window does not take WM_DELETE_WINDOW");

    sendDeleteWindow(window);
    QVERIFY2(program.waitForFinished(30000), "the program went on after its window closed");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // Libraries may leave hidden folders (a D-Bus session leaves ~/.dbus); Ladlewise
    // itself writes nothing until something is saved.
    QVERIFY2(!QFileInfo::exists(home.path("Documents")), "start-up and close wrote to Documents");
}

QTEST_GUILESS_MAIN(tst_RealDisplay)
#include "tst_realdisplay.moc"
