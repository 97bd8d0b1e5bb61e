#pragma once

// Every command id of the plug-in. The toolkit's own (wxID_OPEN 5000, wxID_CLOSE 5001,
// wxID_EXIT 5006, wxID_PREFERENCES) are used beside them.
enum {
    // The performer trees' and popups' own menu: open the performer's profile page.
    ID_PROFILE = 5000,

    ID_UPDATE_FAVORITE = 6000,
    ID_POPUP_ONLY_FAVORITE = 6001,
    ID_CHECK_MAIL = 6002,
    ID_SITE_TOP = 6003,
    ID_SITE_MAILBOX = 6004,
    ID_SITE_FANCLUB = 6005,
    ID_SITE_MYQO = 6006,
    ID_SITE_MYQO_FAVOURITES = 6007,
    ID_SITE_FAV = 6008,
    ID_SITE_JOIN = 6009,
    ID_PAUSE_POPUPS = 6010,
    ID_SHOW_RECENT = 6011,
    ID_FIND = 6012,
    // The site became reachable again or stopped being so: the window says so.
    ID_CONNECTION_CHANGED = 6013,
    // The tray menu's first item: shows the main window, or hides it when it is shown.
    ID_TOGGLE_WINDOW = 6014,
    // A performer's notification rule, from the trees' and Recent's menus.
    ID_RULE_ALWAYS = 6015,
    ID_RULE_ONLY_FREE = 6016,
    ID_RULE_NEVER = 6017,
    ID_RULE_SOUND = 6018,
    // Nothing pops up or sounds for an hour (again: no longer muted).
    ID_MUTE_HOUR = 6019,
    // The user's own favourites: from the File menu, from the performer menus, and the window
    // told that they changed.
    ID_IMPORT_FAVORITES = 6020,
    ID_EXPORT_FAVORITES = 6021,
    ID_ADD_FAVORITE = 6022,
    ID_REMOVE_FAVORITE = 6023,
    ID_FAVORITES_CHANGED = 6024,
    // A performer's history, from the trees' and Recent's menus.
    ID_HISTORY = 6025,
};
