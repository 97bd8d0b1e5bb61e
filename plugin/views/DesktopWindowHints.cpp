#include "views/DesktopWindowHints.h"

#include <dlfcn.h>

#include <wx/toplevel.h>

namespace {

using SetInt = void (*)(void* window, int value);
using MoveTo = void (*)(void* window, int x, int y);

// GdkWindowTypeHint's value for notifications.
constexpr int kTypeHintNotification = 11;

template <typename F>
F Gtk(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
}

void* GtkWindowOf(wxTopLevelWindow* window)
{
#ifdef __WXGTK__
    return window ? static_cast<void*>(window->GetHandle()) : nullptr;
#else
    (void)window;
    return nullptr;
#endif
}

} // namespace

void DesktopWindowHints::MarkAsNotification(wxTopLevelWindow* window)
{
    void* gtk = GtkWindowOf(window);
    if (!gtk)
        return;
    // The type must be set before the window is first mapped to count.
    if (auto set = Gtk<SetInt>("gtk_window_set_type_hint"))
        set(gtk, kTypeHintNotification);
    const struct {
        const char* name;
        int value;
    } settings[] = {{"gtk_window_set_decorated", 0},         {"gtk_window_set_accept_focus", 0},
                    {"gtk_window_set_focus_on_map", 0},      {"gtk_window_set_skip_taskbar_hint", 1},
                    {"gtk_window_set_skip_pager_hint", 1},   {"gtk_window_set_keep_above", 1}};
    for (const auto& setting : settings)
        if (auto set = Gtk<SetInt>(setting.name))
            set(gtk, setting.value);
}

void DesktopWindowHints::Move(wxTopLevelWindow* window, int x, int y)
{
    void* gtk = GtkWindowOf(window);
    if (!gtk)
        return;
    if (auto move = Gtk<MoveTo>("gtk_window_move"))
        move(gtk, x, y);
}

wxSize DesktopWindowHints::OuterSize(wxTopLevelWindow* window)
{
    const wxSize client = window ? window->GetClientSize() : wxSize();
    void* gtk = GtkWindowOf(window);
    if (!gtk || !window->IsShown())
        return client;
    struct Rectangle {
        int x, y, width, height;
    } frame{0, 0, 0, 0};
    using WindowOf = void* (*)(void* widget);
    using FrameExtents = void (*)(void* gdkWindow, Rectangle* rect);
    auto windowOf = Gtk<WindowOf>("gtk_widget_get_window");
    auto extents = Gtk<FrameExtents>("gdk_window_get_frame_extents");
    void* gdkWindow = windowOf ? windowOf(gtk) : nullptr;
    if (!gdkWindow || !extents)
        return client;
    extents(gdkWindow, &frame);
    if (frame.width < client.x || frame.height < client.y)
        return client;
    return wxSize(frame.width, frame.height);
}
