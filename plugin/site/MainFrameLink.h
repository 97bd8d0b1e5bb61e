#pragma once

class wxWindow;

// The main frame's own commands.
enum {
    ID_UPDATE_FAVORITE = 6000,
    ID_POPUP_ONLY_FAVORITE = 6001,
    ID_CHECK_MAIL = 6002,
    ID_SITE_TOP = 6003,
    ID_SITE_JOIN = 6009,
    ID_PAUSE_POPUPS = 6010,
    ID_SHOW_RECENT = 6011,
    ID_FIND = 6012,
};

// The plug-in's main frame, registered by the frame itself, for the commands other parts send
// it. User-interface thread only.
class MainFrameLink {
public:
    static void Register(wxWindow* frame);
    // Clears the link only if it still names 'frame'.
    static void Unregister(wxWindow* frame);
    // The registered frame, else the application's top window, else null.
    static wxWindow* Get();
    // Queues a menu command on Get(), if any.
    static bool PostCommand(int id);
    // Whether the frame's menu item 'id' exists, is enabled and carries its check mark.
    static bool IsMenuItemEnabledAndChecked(int id);
};
