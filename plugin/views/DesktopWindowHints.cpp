#include "views/DesktopWindowHints.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include <wx/display.h>
#include <wx/toplevel.h>

#include <gdk/gdk.h>
#include <gtk-layer-shell.h>
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include "app/LoadedLibrary.h"

namespace {

GtkWindow* GtkWindowOf(wxTopLevelWindow* window)
{
    return window ? GTK_WINDOW(window->GetHandle()) : nullptr;
}

} // namespace

bool DesktopWindowHints::OnX11Display()
{
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    return display && GDK_IS_X11_DISPLAY(display);
#else
    return false;
#endif
}

namespace {

bool OnNativeWayland()
{
#ifdef GDK_WINDOWING_WAYLAND
    GdkDisplay* display = gdk_display_get_default();
    return display && GDK_IS_WAYLAND_DISPLAY(display);
#else
    return false;
#endif
}

// An X server inside a Wayland compositor (sway, weston, GNOME, KWin): their window managers
// place a notification window as they like (sway centres it, weston cascades it), but leave a
// window no manager handles where it asks to be.
bool OnXWayland()
{
#ifdef GDK_WINDOWING_X11
    if (!DesktopWindowHints::OnX11Display())
        return false;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    return (wayland && *wayland) || (session && std::string(session) == "wayland");
#else
    return false;
#endif
}

// weston's manager reads a window's override flag only when it first sees the window, and
// places every other window itself (tried: the flag set before the first show, a utility
// window): a popup there is made a GTK popup window, which has the flag from its creation.
bool OnWestonXWayland()
{
#ifdef GDK_WINDOWING_X11
    if (!OnXWayland())
        return false;
    const char* wm = gdk_x11_screen_get_window_manager_name(gdk_screen_get_default());
    return wm && std::string(wm) == "Weston WM";
#else
    return false;
#endif
}

// gtk-layer-shell registers its own Wayland listeners and types: it stays loaded when the
// plug-in is unloaded, or they would call into unmapped code.
void KeepLayerShellLoaded()
{
    LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&gtk_layer_init_for_window));
}

} // namespace

DesktopWindowHints::Placement DesktopWindowHints::PopupPlacement()
{
    static const Placement placement = [] {
        if (!OnNativeWayland())
            return Placement::Positioned;
        KeepLayerShellLoaded();
        return gtk_layer_is_supported() ? Placement::LayerShell : Placement::Unplaceable;
    }();
    return placement;
}

bool DesktopWindowHints::KnowsWindowPositions()
{
    return !OnNativeWayland();
}

void DesktopWindowHints::PrepareNotification(wxTopLevelWindow* window)
{
    if (!window || window->m_widget || !OnWestonXWayland())
        return;
    // The toolkit takes a widget it finds made as the window's own (the popup window class
    // does the same), and releases this reference with the window.
    window->m_widget = gtk_window_new(GTK_WINDOW_POPUP);
    g_object_ref(window->m_widget);
}

void DesktopWindowHints::MarkAsNotification(wxTopLevelWindow* window)
{
    GtkWindow* gtk = GtkWindowOf(window);
    if (!gtk)
        return;
    // The type must be set before the window is first mapped to count.
    gtk_window_set_type_hint(gtk, GDK_WINDOW_TYPE_HINT_NOTIFICATION);
    gtk_window_set_decorated(gtk, FALSE);
    gtk_window_set_accept_focus(gtk, FALSE);
    gtk_window_set_focus_on_map(gtk, FALSE);
    gtk_window_set_skip_taskbar_hint(gtk, TRUE);
    gtk_window_set_skip_pager_hint(gtk, TRUE);
    gtk_window_set_keep_above(gtk, TRUE);

    if (PopupPlacement() == Placement::LayerShell) {
        // Before the window is realized: it becomes a surface of the notification layer.
        gtk_layer_init_for_window(gtk);
        gtk_layer_set_namespace(gtk, "notification");
        gtk_layer_set_layer(gtk, GTK_LAYER_SHELL_LAYER_TOP);
        gtk_layer_set_anchor(gtk, GTK_LAYER_SHELL_EDGE_RIGHT, TRUE);
        gtk_layer_set_anchor(gtk, GTK_LAYER_SHELL_EDGE_BOTTOM, TRUE);
        gtk_layer_set_keyboard_mode(gtk, GTK_LAYER_SHELL_KEYBOARD_MODE_NONE);
        return;
    }
    if (OnXWayland()) {
        // weston shows a popup window's pixels with their alpha even at depth 24, where GTK
        // leaves it undefined (most of the popup came out white): a visual with alpha it draws.
        if (gtk_window_get_window_type(gtk) == GTK_WINDOW_POPUP)
            if (GdkVisual* argb = gdk_screen_get_rgba_visual(gtk_widget_get_screen(GTK_WIDGET(gtk))))
                gtk_widget_set_visual(GTK_WIDGET(gtk), argb);
        // Realized here, so that the flag is there when it is mapped; the toolkit then shows it
        // at once instead of waiting for a manager that will never frame it.
        gtk_widget_realize(GTK_WIDGET(gtk));
        if (GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(gtk)))
            gdk_window_set_override_redirect(gdk, TRUE);
    }
}

void DesktopWindowHints::Move(wxTopLevelWindow* window, int x, int y)
{
    GtkWindow* gtk = GtkWindowOf(window);
    if (!gtk)
        return;
    if (gtk_layer_is_layer_window(gtk)) {
        const int index = wxDisplay::GetFromWindow(window);
        const wxRect area = wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetGeometry();
        const wxSize size = window->GetSize();
        gtk_layer_set_margin(gtk, GTK_LAYER_SHELL_EDGE_RIGHT, std::max(0, area.GetRight() + 1 - (x + size.x)));
        gtk_layer_set_margin(gtk, GTK_LAYER_SHELL_EDGE_BOTTOM, std::max(0, area.GetBottom() + 1 - (y + size.y)));
        return;
    }
    gtk_window_move(gtk, x, y);
}

wxSize DesktopWindowHints::OuterSize(wxTopLevelWindow* window)
{
    const wxSize client = window ? window->GetClientSize() : wxSize();
    GtkWindow* gtk = GtkWindowOf(window);
    if (!gtk || !window->IsShown())
        return client;
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(gtk));
    if (!gdk || gtk_layer_is_layer_window(gtk))
        return client;
    GdkRectangle frame{0, 0, 0, 0};
    gdk_window_get_frame_extents(gdk, &frame);
    if (frame.width < client.x || frame.height < client.y)
        return client;
    return wxSize(frame.width, frame.height);
}

int DesktopWindowHints::ShadowWidth(wxTopLevelWindow* window)
{
    if (!window || !window->IsShown() || !OnNativeWayland())
        return 0;
    // The title bar spans the width the user sees, which is the client area's: what is wider
    // is shadow, as much above and below as left and right.
    return std::max(0, window->GetSize().x - window->GetClientSize().x);
}
