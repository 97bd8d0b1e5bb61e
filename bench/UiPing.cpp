// Measures how long a program's user-interface thread leaves the desktop waiting: every 10 ms it
// sends the window manager's ping (_NET_WM_PING) to the program's main window and times the
// answer, which the toolkit sends from its event loop. A stall of the loop shows as a late
// answer. Prints one line per ping: "<wall clock ms> <answer time us>".
//   ui_ping PID TITLE SECONDS
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPeriod = std::chrono::milliseconds(10);
constexpr int kLostAfterMs = 3000;

struct Atoms {
    Atom protocols, ping, pid, name, utf8;
};

long PidOf(Display* display, Window window, const Atoms& atoms)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, atoms.pid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data && count == 1 && format == 32)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

std::string NameOf(Display* display, Window window, const Atoms& atoms)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, atoms.name, 0, 256, False, atoms.utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data && format == 8)
        name.assign(reinterpret_cast<char*>(data), count);
    if (data)
        XFree(data);
    return name;
}

// The program's window of that title, at the top or one level down (inside a manager's frame).
Window Find(Display* display, Window parent, long pid, const std::string& title, const Atoms& atoms, int depth)
{
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (PidOf(display, children[i], atoms) == pid && NameOf(display, children[i], atoms) == title)
            found = children[i];
        else if (depth > 0)
            found = Find(display, children[i], pid, title, atoms, depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0; // a window gone between the query and the ping
}

// Waits for the answer to ping 'serial'; the time it took, or -1 when it did not come.
long Answer(Display* display, const Atoms& atoms, long serial, Clock::time_point sent)
{
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == atoms.protocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == atoms.ping && event.xclient.data.l[1] == serial)
                return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent).count();
        }
        const long waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count();
        if (waited >= kLostAfterMs)
            return -1;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(kLostAfterMs - waited));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: ui_ping PID TITLE SECONDS\n");
        return 2;
    }
    const long pid = std::atol(argv[1]);
    const std::string title = argv[2];
    const auto until = Clock::now() + std::chrono::seconds(std::atol(argv[3]));
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "ui_ping: no display\n");
        return 1;
    }
    XSetErrorHandler(&IgnoreErrors);
    const Window root = DefaultRootWindow(display);
    const Atoms atoms{XInternAtom(display, "WM_PROTOCOLS", False), XInternAtom(display, "_NET_WM_PING", False),
                      XInternAtom(display, "_NET_WM_PID", False), XInternAtom(display, "_NET_WM_NAME", False),
                      XInternAtom(display, "UTF8_STRING", False)};
    // The answer goes to the root window, to those listening for its children's changes.
    XSelectInput(display, root, SubstructureNotifyMask);

    Window window = 0;
    long serial = 0;
    auto next = Clock::now();
    while (Clock::now() < until) {
        if (!window)
            window = Find(display, root, pid, title, atoms, 1);
        if (window) {
            XEvent ping{};
            ping.xclient.type = ClientMessage;
            ping.xclient.window = window;
            ping.xclient.message_type = atoms.protocols;
            ping.xclient.format = 32;
            ping.xclient.data.l[0] = static_cast<long>(atoms.ping);
            ping.xclient.data.l[1] = ++serial;
            ping.xclient.data.l[2] = static_cast<long>(window);
            const auto sent = Clock::now();
            XSendEvent(display, window, False, NoEventMask, &ping);
            XFlush(display);
            const long us = Answer(display, atoms, serial, sent);
            const long long wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count();
            if (us < 0) {
                std::printf("%lld lost\n", wall);
                window = 0; // found again: it may have been made anew
            } else {
                std::printf("%lld %ld\n", wall, us);
            }
            std::fflush(stdout);
        }
        next += kPeriod;
        const auto now = Clock::now();
        if (next < now)
            next = now; // after a stall, on at the usual pace rather than in a burst
        std::this_thread::sleep_until(next);
    }
    XCloseDisplay(display);
    return 0;
}
