#pragma once

#include <array>

#include <wx/window.h>

// A week as a grid, seven days by 24 hours, each cell coloured by the share of that hour spent
// on line; the days named in the user's language, from the locale's first day of the week, with
// a legend below.
class HeatMapCtrl : public wxWindow {
public:
    using Week = std::array<std::array<double, 24>, 7>; // [day, 0 = Sunday][hour], 0 to 1

    HeatMapCtrl(wxWindow* parent, const Week& week);

    wxSize DoGetBestClientSize() const override;
    // The colour of a share, from the empty cell's to the full one's.
    static wxColour ColourOf(double share);

private:
    void OnPaint(wxPaintEvent& event);
    int LabelWidth() const;

    Week m_week;
    int m_cell;
};
