// Asks a window to close the way a window manager does when the user clicks
// its close button, or prints its window type. Xvfb runs no window manager,
// so nothing turns a key such as Alt+F4 into a close request, and xdotool's
// windowclose destroys the window outright, which a Qt program survives
// without ending.
//
// Usage: xwindow close WINDOW | xwindow type WINDOW

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc != 3 || (std::strcmp(argv[1], "close") != 0 && std::strcmp(argv[1], "type") != 0)) {
        std::fprintf(stderr, "usage: %s close|type WINDOW\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    const Window window = std::strtoul(argv[2], nullptr, 0);

    if (std::strcmp(argv[1], "close") == 0) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
    } else {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), 0, 16,
                               False, XA_ATOM, &type, &format, &count, &remaining, &data) == Success
            && data) {
            // The first type is the one meant; the rest are fallbacks for
            // window managers that do not know it (a dialog adds "normal").
            if (count > 0) {
                char* name = XGetAtomName(display, *reinterpret_cast<const Atom*>(data));
                std::printf("%s\n", name);
                XFree(name);
            }
            XFree(data);
        }
    }
    // A bad window id ends the program here, through Xlib's error handler.
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
