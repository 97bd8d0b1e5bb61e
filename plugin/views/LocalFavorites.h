#pragma once

#include <wx/string.h>

#include "model/FavoriteList.h"

class wxMenu;

// The user's own favourites, kept in the data folder ("$XDG_DATA_HOME/sorvik-statuscope/
// favorites", one name per line, readable by the user only) and offered in the performer menus
// of the trees and Recent. A change is saved at once and the main window told
// (ID_FAVORITES_CHANGED). UI thread only.
class LocalFavorites {
public:
    // Loaded at the first use.
    static FavoriteList& Get();
    static bool Save();
    // One of the user's own, or one of the site's ("/favorites").
    static bool IsFavorite(const wxString& name);
    static bool IsSiteFavorite(const wxString& name);
    // "Add to Favorites" or "Remove from Favorites" for the performer 'name'. A favourite
    // the site gave cannot be removed here: its item says so, disabled.
    static void AppendMenu(wxMenu& menu, const wxString& name);
    // Acts on a command of that menu; false when 'id' is not one.
    static bool HandleMenu(int id, const wxString& name);
};
