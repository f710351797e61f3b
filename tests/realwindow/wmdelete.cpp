// Asks an X window to close the way a window manager does when the player clicks
// the title bar's close button: a WM_PROTOCOLS client message carrying
// WM_DELETE_WINDOW. Unlike destroying the window, this lets the program run its
// own close handling and end normally.
//
// Usage: realwindow-wmdelete WINDOW-ID   (decimal or 0x-prefixed hexadecimal)
// Exit codes: 0 sent, 1 the window does not take part in WM_DELETE_WINDOW or
// is gone, 2 usage or no display.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool xFailed = false;

int noteError(Display *display, XErrorEvent *error)
{
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "realwindow-wmdelete: X error: %s\n", text);
    xFailed = true;
    return 0;
}

bool takesDeleteWindow(Display *display, Window window, Atom deleteWindow)
{
    Atom *protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count))
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    char *end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (errno != 0 || end == argv[1] || *end != '\0' || id == 0) {
        std::fprintf(stderr, "realwindow-wmdelete: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "realwindow-wmdelete: cannot open display \"%s\"\n", XDisplayName(nullptr));
        return 2;
    }
    XSetErrorHandler(noteError);

    const Window window = static_cast<Window>(id);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (!takesDeleteWindow(display, window, deleteWindow) || xFailed) {
        std::fprintf(stderr, "realwindow-wmdelete: window 0x%lx does not list WM_DELETE_WINDOW "
                             "in WM_PROTOCOLS\n", id);
        XCloseDisplay(display);
        return 1;
    }

    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    const bool sent = !xFailed;
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
