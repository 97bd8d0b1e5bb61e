#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

// What the window manager or the compositor is told about windows of the plug-in beyond what
// the toolkit says, on every desktop GTK runs on (X11, XWayland, native Wayland).
class DesktopWindowHints {
public:
    // How popups can be put where they belong.
    enum class Placement {
        Positioned, // an X server: the window manager honours the position asked for, or
                    // leaves alone a window that asks to be left alone
        LayerShell, // native Wayland with the layer-shell protocol: anchored to a corner
        Unplaceable // native Wayland without it: the compositor puts windows where it likes
    };
    // Decided once, on the UI thread, from the display the toolkit opened.
    static Placement PopupPlacement();
    // Whether the toolkit draws on an X server (XWayland included).
    static bool OnX11Display();
    // Whether the program can know and set where its windows are (not on native Wayland).
    static bool KnowsWindowPositions();

    // Called before the notification window is created: where a window manager will never
    // place a window it manages (weston's under XWayland), the window is made one it does not.
    static void PrepareNotification(wxTopLevelWindow* window);
    // A notification: no decoration, no task-bar or pager entry, never focused, above others;
    // a layer-shell surface on Wayland, a window no manager moves under XWayland. Called before
    // the first show.
    static void MarkAsNotification(wxTopLevelWindow* window);
    // Moves a notification: (x, y) is where the outer corner of its frame goes, in the display's
    // coordinates (a layer-shell surface gets the margins that put it there).
    static void Move(wxTopLevelWindow* window, int x, int y);
    // The size of the window with the frame the window manager put round it; the toolkit's
    // size when the manager has not said (yet).
    static wxSize OuterSize(wxTopLevelWindow* window);
    // The width of the invisible shadow GTK draws round a shown window it decorates itself
    // (native Wayland), both sides together; the toolkit's sizes include it. 0 elsewhere.
    static int ShadowWidth(wxTopLevelWindow* window);
};
