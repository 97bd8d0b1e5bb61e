#pragma once

#include <functional>

#include <wx/string.h>

// Every message box of the plug-in is shown through here, so that tests can answer them.
class MessageBoxSeam {
public:
    using Responder =
        std::function<int(const wxString& message, const wxString& caption, long style)>;

    // User-interface thread only. Returns what wxMessageBox returns (wxOK, wxYES, wxNO, ...).
    static int Show(const wxString& message, const wxString& caption, long style);

    // Replaces the real box; an empty responder restores it. Returns the previous one.
    static Responder SetResponder(Responder responder);
};
