// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopscale.h"
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
    void windowOpensAtTheDesktopScale_data();
    void windowOpensAtTheDesktopScale();

private:
    void startProgram(QProcess *program, const TemporaryHome &home,
                      const QProcessEnvironment &extra = QProcessEnvironment());
    void setRootProperty(const char *name, xcb_atom_t type, int format, const QByteArray &value) const;
    QSize sizeOf(xcb_window_t window) const;
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

void tst_RealDisplay::setRootProperty(const char *name, xcb_atom_t type, int format,
                                      const QByteArray &value) const
{
    const xcb_atom_t property = atom(name);
    if (value.isEmpty())
        xcb_delete_property(connection, root, property);
    else
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, property, type, format,
                            value.size() * 8 / format, value.constData());
    xcb_flush(connection);
}

QSize tst_RealDisplay::sizeOf(xcb_window_t window) const
{
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr), &std::free);
    return geometry ? QSize(geometry->width, geometry->height) : QSize();
}

void tst_RealDisplay::startProgram(QProcess *program, const TemporaryHome &home,
                                   const QProcessEnvironment &extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                                 "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI"})
        environment.remove(variable);
    environment.insert(extra);
    environment.insert("HOME", home.path(""));
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program->setProcessEnvironment(environment);
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start(qEnvironmentVariable("LADLEWISE_BINARY", LADLEWISE_BINARY), QStringList());
    QVERIFY2(program->waitForStarted(), qPrintable(program->errorString()));
}

void tst_RealDisplay::closingTheWindowEndsTheProgramWithSuccess()
{
    TemporaryHome home;
    QVERIFY(home.isValid());
    QProcess program;
    startProgram(&program, home);

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

// The display is one 1920x1080 monitor (see the test's command). The free area a
// window manager sets may span monitors; only the part on the window's monitor counts.
void tst_RealDisplay::windowOpensAtTheDesktopScale_data()
{
    QTest::addColumn<QByteArray>("resources");
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QByteArray>("userScale");
    QTest::addColumn<qreal>("scale");

    QTest::newRow("no font DPI") << QByteArray() << QRect() << QByteArray() << 1.0;
    QTest::newRow("125 %") << QByteArray("Xft.dpi:\t120\n") << QRect() << QByteArray() << 1.25;
    QTest::newRow("200 %, as far as the monitor holds it")
            << QByteArray("Xft.dpi:\t192\n") << QRect() << QByteArray() << (1080.0 - windowFrame.height()) / formSize.height();
    QTest::newRow("200 %, a free area over two monitors")
            << QByteArray("Xft.dpi:\t192\n") << QRect(0, 0, 3840, 2130) << QByteArray()
            << (1080.0 - windowFrame.height()) / formSize.height();
    QTest::newRow("200 %, a panel below") << QByteArray("Xft.dpi:\t192\n") << QRect(0, 0, 1920, 1040)
                                          << QByteArray() << (1040.0 - windowFrame.height()) / formSize.height();
    QTest::newRow("a 1366x768 laptop with a 32-pixel panel, no font DPI")
            << QByteArray() << QRect(0, 0, 1366, 736) << QByteArray()
            << (736.0 - windowFrame.height()) / formSize.height();
    QTest::newRow("the user's own scale") << QByteArray("Xft.dpi:\t96\n") << QRect() << QByteArray("1.25")
                                          << 1.25;
}

void tst_RealDisplay::windowOpensAtTheDesktopScale()
{
    QFETCH(QByteArray, resources);
    QFETCH(QRect, workArea);
    QFETCH(QByteArray, userScale);
    QFETCH(qreal, scale);

    setRootProperty("RESOURCE_MANAGER", XCB_ATOM_STRING, 8, resources);
    const quint32 area[] = {quint32(workArea.x()), quint32(workArea.y()), quint32(workArea.width()),
                            quint32(workArea.height())};
    setRootProperty("_NET_WORKAREA", XCB_ATOM_CARDINAL, 32,
                    workArea.isNull() ? QByteArray() : QByteArray(reinterpret_cast<const char *>(area), sizeof area));
    TemporaryHome home;
    QVERIFY(home.isValid());
    QProcessEnvironment chosen;
    if (!userScale.isEmpty())
        chosen.insert("QT_SCALE_FACTOR", userScale);
    QProcess program;
    startProgram(&program, home, chosen);

    xcb_window_t window = XCB_NONE;
    QTRY_VERIFY_WITH_TIMEOUT((window = mappedWindowTitled("Ladlewise")) != XCB_NONE, 30000);
    const QSize size = sizeOf(window);
    sendDeleteWindow(window);
    QVERIFY(program.waitForFinished(30000));
    setRootProperty("RESOURCE_MANAGER", XCB_ATOM_STRING, 8, QByteArray());
    setRootProperty("_NET_WORKAREA", XCB_ATOM_CARDINAL, 32, QByteArray());
    const QSize expected(qRound(1349 * scale), qRound(740 * scale));
    QVERIFY2(qAbs(size.width() - expected.width()) <= 1 && qAbs(size.height() - expected.height()) <= 1,
             qPrintable(QString("%1x%2, not %3x%4").arg(size.width()).arg(size.height())
                                .arg(expected.width()).arg(expected.height())));
}

QTEST_GUILESS_MAIN(tst_RealDisplay)
#include "tst_realdisplay.moc"
