#pragma once

#include <wx/dialog.h>

// Help > About: the program's name and version, the site it watches, the licence, and where its
// settings and data are kept.
class AboutDialog : public wxDialog {
public:
    explicit AboutDialog(wxWindow* parent);
};
