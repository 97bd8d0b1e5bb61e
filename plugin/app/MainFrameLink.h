#pragma once

class wxWindow;

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
