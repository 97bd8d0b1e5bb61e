#pragma once

#include <wx/string.h>

class wxWindow;

// The File menu's import and export of the user's own favourites: a plain text file of one
// name per line, as the site serves its favourites. UI thread only.
class FavoritesTransfer {
public:
    // Asks for a file and imports or exports it; the outcome is told in a message box.
    static void Import(wxWindow* parent);
    static void Export(wxWindow* parent);

    // The work behind them, without a dialog. Each returns what the box says; 'ok' tells
    // whether it worked.
    static wxString ImportFrom(const wxString& path, bool* ok = nullptr);
    static wxString ExportTo(const wxString& path, bool* ok = nullptr);
};
