#pragma once

#include <ctime>

#include <wx/dialog.h>

#include "model/PerformerHistory.h"

// A performer's history: last seen, hours on line today and in the last seven days, and the
// week's heat map, read from the history database when it opens.
class HistoryDialog : public wxDialog {
public:
    HistoryDialog(wxWindow* parent, const wxString& name, const PerformerHistory::Summary& summary);

    // Reads the performer's history and shows it modally.
    static void ShowFor(wxWindow* parent, const wxString& name);
    // The summary of the performer in the history database at 'path', at 'now'.
    static PerformerHistory::Summary Read(const wxString& path, const wxString& name, std::time_t now);
    // "On line now.", "Last seen: <date time>" or "Not seen on line yet.".
    static wxString SeenText(const PerformerHistory::Summary& summary);
};
