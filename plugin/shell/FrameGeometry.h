#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

// The main frame's outer rectangle as the user left it. A hidden or minimised frame reports
// other sizes (without its decorations), so the rectangle is kept while the frame is shown
// normally and that is what is saved. A stored position on no display is left to the system.
// On native Wayland the program cannot know where the window is: the size the user sees is
// kept and the stored position left as it was.
class FrameGeometry {
public:
    explicit FrameGeometry(wxTopLevelWindow* frame);

    // Applies the stored rectangle ("/MainFrame/x", "y", "width", "height").
    void Restore();
    // Records the frame's rectangle if it is shown in its normal state.
    void Track();
    // Writes the last normal rectangle to the settings.
    void Save();

    // Whether enough of a frame's title bar at 'rect' lies on some display to be grabbed.
    static bool IsReachable(const wxRect& rect);

private:
    wxTopLevelWindow* m_frame;
    wxRect m_normal;
};
