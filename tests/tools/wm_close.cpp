// Closes a window the way a window manager's close button does: a WM_DELETE_WINDOW message
// to the top-level window whose title is the argument. Exit status 0 when one was sent to,
// 1 when no such window is shown, 2 without a display.
//
//   wm_close TITLE

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string titleOf(Display* display, Window window) {
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

bool viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TITLE\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 2;
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(display, root, &root, &parent, &children, &count);
    int sent = 0;
    for (unsigned i = 0; i < count && sent == 0; ++i) {
        if (!viewable(display, children[i]) || titleOf(display, children[i]) != argv[1]) continue;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = children[i];
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, children[i], False, NoEventMask, &event);
        ++sent;
    }
    if (children != nullptr) XFree(children);
    XCloseDisplay(display);
    return sent > 0 ? 0 : 1;
}
