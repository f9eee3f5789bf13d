// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopscale.h"

#include <QList>
#include <QRect>
#include <QtGlobal>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

const qreal baseDpi = 96;

using XcbReply = std::unique_ptr<void, decltype(&std::free)>;

XcbReply propertyOf(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t property, xcb_atom_t type)
{
    const xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, root, property, type, 0, 1 << 20);
    return XcbReply(xcb_get_property_reply(connection, cookie, nullptr), &std::free);
}

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    const XcbReply reply(xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, uint16_t(qstrlen(name)), name),
                                               nullptr),
                         &std::free);
    return reply ? static_cast<xcb_intern_atom_reply_t *>(reply.get())->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray resourcesOf(xcb_connection_t *connection, xcb_window_t root)
{
    const XcbReply reply = propertyOf(connection, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING);
    auto *property = static_cast<xcb_get_property_reply_t *>(reply.get());
    if (!property || property->format != 8)
        return QByteArray();
    return QByteArray(static_cast<const char *>(xcb_get_property_value(property)),
                      xcb_get_property_value_length(property));
}

// The primary monitor, or the first, or the whole screen.
QRect monitorOf(xcb_connection_t *connection, const xcb_screen_t *screen)
{
    QRect whole(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    const XcbReply reply(xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, screen->root, 1),
                                                      nullptr),
                         &std::free);
    auto *monitors = static_cast<xcb_randr_get_monitors_reply_t *>(reply.get());
    if (!monitors)
        return whole;
    QRect chosen;
    for (auto monitor = xcb_randr_get_monitors_monitors_iterator(monitors); monitor.rem;
         xcb_randr_monitor_info_next(&monitor)) {
        const QRect area(monitor.data->x, monitor.data->y, monitor.data->width, monitor.data->height);
        if (chosen.isNull() || monitor.data->primary)
            chosen = area;
    }
    return chosen.isNull() ? whole : chosen;
}

// The desktop's free area (without its panels), where the window manager says it.
QRect workAreaOf(xcb_connection_t *connection, xcb_window_t root, const QRect &monitor)
{
    const XcbReply reply = propertyOf(connection, root, atomNamed(connection, "_NET_WORKAREA"), XCB_ATOM_CARDINAL);
    auto *property = static_cast<xcb_get_property_reply_t *>(reply.get());
    if (!property || property->format != 32 || xcb_get_property_value_length(property) < 16)
        return monitor;
    const auto *area = static_cast<const quint32 *>(xcb_get_property_value(property));
    const QRect workArea = QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3])) & monitor;
    return workArea.isEmpty() ? monitor : workArea;
}

bool scaleChosenByUser()
{
    for (const char *variable : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                                 "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI"}) {
        if (qEnvironmentVariableIsSet(variable))
            return true;
    }
    return false;
}

bool onX()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return qEnvironmentVariableIsSet("DISPLAY") && (platform.isEmpty() || platform.startsWith("xcb"));
}

} // namespace

// Later lines win, as the X resource database takes them.
int fontDpiOfResources(const QByteArray &resources)
{
    int dpi = 0;
    for (const QByteArray &line : resources.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed() != "Xft.dpi")
            continue;
        bool isNumber = false;
        const double value = line.mid(colon + 1).trimmed().toDouble(&isNumber);
        dpi = isNumber && value > 0 ? qRound(value) : 0;
    }
    return dpi;
}

qreal windowScale(int fontDpi, const QSize &available)
{
    const qreal wanted = fontDpi > 0 ? fontDpi / baseDpi : 1;
    if (available.isEmpty())
        return wanted;
    const QSize room = available - windowFrame;
    const qreal fitting = std::min(qreal(room.width()) / formSize.width(), qreal(room.height()) / formSize.height());
    // Down to a ten-thousandth, so that rounding never makes the window a pixel too large.
    return std::max(smallestScale, std::min(wanted, std::floor(fitting * 10000) / 10000));
}

// Qt reads the scale from its variables as the application starts. The font DPI is
// set to the base, so that the text keeps the size the form was laid out for.
bool applyDesktopScale()
{
    if (scaleChosenByUser() || !onX())
        return false;
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screen.rem; ++i)
        xcb_screen_next(&screen);
    const int fontDpi = fontDpiOfResources(resourcesOf(connection, screen.data->root));
    const QRect available = workAreaOf(connection, screen.data->root, monitorOf(connection, screen.data));
    xcb_disconnect(connection);
    qputenv("QT_SCALE_FACTOR", QByteArray::number(windowScale(fontDpi, available.size()), 'g', 6));
    qputenv("QT_FONT_DPI", QByteArray::number(int(baseDpi)));
    return true;
}
