#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

// What the window manager is told about windows of the plug-in beyond what the toolkit says.
// The GTK calls are looked up at run time in the toolkit's own GTK: the plug-in needs none of
// its headers, and without GTK (another port) they are skipped.
class DesktopWindowHints {
public:
    // A notification: no decoration, no task-bar or pager entry, never focused, above others.
    static void MarkAsNotification(wxTopLevelWindow* window);
    // Moves a window that is shown: (x, y) is where the outer corner of its frame goes.
    static void Move(wxTopLevelWindow* window, int x, int y);
    // The size of the window with the frame the window manager put round it; the toolkit's
    // size when the manager has not said (yet).
    static wxSize OuterSize(wxTopLevelWindow* window);
};
