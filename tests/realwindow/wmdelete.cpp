// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Asks an X window to close the way a window manager does when the player clicks the title bar's close button: a
// WM_PROTOCOLS client message carrying WM_DELETE_WINDOW, which lets the program run its own close handling
// (xdotool's windowclose destroys the window instead). A window that ignores it stays, as the caller then sees.
// Usage: realwindow-wmdelete WINDOW-ID. Exit codes: 0 sent; 1 the window is gone (Xlib's default error handler);
// 2 usage or no display.

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    char *end = nullptr;
    const unsigned long window = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    Display *display = window != 0 && *end == '\0' ? XOpenDisplay(nullptr) : nullptr;
    if (!display) {
        std::fprintf(stderr, "usage: %s WINDOW-ID, with DISPLAY set\n", argv[0]);
        return 2;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
