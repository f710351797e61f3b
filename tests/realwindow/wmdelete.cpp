// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Asks an X window to close the way a window manager does when the player clicks the title
// bar's close button: a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW, which lets the
// program run its own close handling (xdotool's windowclose destroys the window instead).
// Usage: realwindow-wmdelete WINDOW-ID. Exit codes: 0 sent; 1 the window does not take the
// message, or is gone (Xlib's default error handler exits with 1); 2 usage or no display.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    char *end = nullptr;
    const unsigned long id = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    Display *display = id != 0 && *end == '\0' ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        std::fprintf(stderr, "usage: %s WINDOW-ID, with DISPLAY set\n", argv[0]);
        return 2;
    }
    const Window window = id;
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom *protocols = nullptr;
    int count = 0;
    bool listed = false;
    if (XGetWMProtocols(display, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i)
            listed = listed || protocols[i] == deleteWindow;
        XFree(protocols);
    }
    if (listed) {
        XEvent event = {};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
    } else {
        std::fprintf(stderr, "realwindow-wmdelete: window 0x%lx does not take WM_DELETE_WINDOW\n", id);
    }
    XCloseDisplay(display);
    return listed ? 0 : 1;
}
