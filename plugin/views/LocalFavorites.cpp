#include "views/LocalFavorites.h"

#include <wx/intl.h>
#include <wx/menu.h>

#include "app/CommandIds.h"
#include "app/DataFiles.h"
#include "app/Keys.h"
#include "app/MainFrameLink.h"
#include "views/PopupDialogManager.h"

namespace {
constexpr size_t kMaxFavoritesFile = 1 << 20;
}

FavoriteList& LocalFavorites::Get()
{
    static FavoriteList favorites = [] {
        FavoriteList loaded;
        // A damaged or huge file gives no favourites rather than a stall.
        loaded.Import(DataFiles::Read("favorites", kMaxFavoritesFile));
        return loaded;
    }();
    return favorites;
}

bool LocalFavorites::Save()
{
    return DataFiles::Write("favorites", Get().Serialize());
}

bool LocalFavorites::IsSiteFavorite(const wxString& name)
{
    return PopupDialogManager::IsFavorite(Keys::Favorites.Read(), name);
}

bool LocalFavorites::IsFavorite(const wxString& name)
{
    return Get().Contains(name) || IsSiteFavorite(name);
}

void LocalFavorites::AppendMenu(wxMenu& menu, const wxString& name)
{
    if (!FavoriteList::IsValidName(name))
        return;
    if (Get().Contains(name)) {
        menu.Append(ID_REMOVE_FAVORITE, _("Remove from Favorites"));
    } else if (IsSiteFavorite(name)) {
        // The site's own list decides; the notification rule can still silence her.
        menu.Append(ID_REMOVE_FAVORITE, _("Favorite on the site"));
        menu.Enable(ID_REMOVE_FAVORITE, false);
    } else {
        menu.Append(ID_ADD_FAVORITE, _("Add to Favorites"));
    }
}

bool LocalFavorites::HandleMenu(int id, const wxString& name)
{
    if (id != ID_ADD_FAVORITE && id != ID_REMOVE_FAVORITE)
        return false;
    const bool changed = id == ID_ADD_FAVORITE ? Get().Add(name) : Get().Remove(name);
    if (changed) {
        Save();
        MainFrameLink::PostCommand(ID_FAVORITES_CHANGED);
    }
    return true;
}
