#include "LockKeys.h"

#include <QGuiApplication>

#ifdef VISAGEN_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
#if QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#define VISAGEN_READ_XKB 1
#endif
#endif

#ifdef VISAGEN_READ_XKB
namespace {

// The state of one named indicator; false when the keyboard has none of that
// name.
bool NamedIndicator(Display* display, const char* name, bool& on)
{
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return false;
    Bool state = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr))
        return false;
    on = state != False;
    return true;
}

}  // namespace
#endif

bool QV_ReadLockKeys(QV_LockKeyState& state)
{
#ifdef VISAGEN_READ_XKB
    auto* app = qGuiApp;
    if (!app)
        return false;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    QV_LockKeyState read;
    if (!NamedIndicator(display, "Caps Lock", read.caps) || !NamedIndicator(display, "Num Lock", read.num))
        return false;
    // Many keyboards have no scroll-lock indicator; it then reads as off.
    NamedIndicator(display, "Scroll Lock", read.scroll);
    state = read;
    return true;
#else
    (void)state;
    return false;
#endif
}
