#include "views/HeatMapCtrl.h"

#include <algorithm>

#include <wx/datetime.h>
#include <wx/dcbuffer.h>
#include <wx/intl.h>
#include <wx/settings.h>

#include "model/PerformerHistory.h"

namespace {
constexpr int kLegendSteps = 5;

int FirstDay()
{
    wxDateTime::WeekDay first = wxDateTime::Mon;
    if (!wxDateTime::GetFirstWeekDay(&first))
        first = wxDateTime::Mon;
    return static_cast<int>(first);
}
} // namespace

HeatMapCtrl::HeatMapCtrl(wxWindow* parent, const Week& week)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE), m_week(week)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_cell = std::max(14, GetCharHeight());
    Bind(wxEVT_PAINT, &HeatMapCtrl::OnPaint, this);
    InvalidateBestSize();
}

wxColour HeatMapCtrl::ColourOf(double share)
{
    share = std::clamp(share, 0.0, 1.0);
    const auto mix = [share](int empty, int full) {
        return static_cast<unsigned char>(empty + (full - empty) * share + 0.5);
    };
    return wxColour(mix(235, 20), mix(238, 110), mix(235, 60));
}

int HeatMapCtrl::LabelWidth() const
{
    int widest = 0;
    for (int day = 0; day < 7; ++day)
        widest = std::max(widest, GetTextExtent(wxDateTime::GetWeekDayName(static_cast<wxDateTime::WeekDay>(day),
                                                                           wxDateTime::Name_Abbr)).x);
    return widest + 8;
}

wxSize HeatMapCtrl::DoGetBestClientSize() const
{
    const int line = GetCharHeight();
    return wxSize(LabelWidth() + 24 * m_cell + 2, line + 4 + 7 * m_cell + 8 + m_cell + 4 + line + 2);
}

void HeatMapCtrl::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    dc.SetFont(GetFont());
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    const int line = GetCharHeight();
    const int left = LabelWidth();
    const int top = line + 4;
    for (int hour = 0; hour < 24; hour += 6)
        dc.DrawText(wxString::Format("%d", hour), left + hour * m_cell, 0);
    const int first = FirstDay();
    const wxColour grid = wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT);
    for (int row = 0; row < 7; ++row) {
        const int day = (first + row) % 7;
        const int y = top + row * m_cell;
        dc.DrawText(wxDateTime::GetWeekDayName(static_cast<wxDateTime::WeekDay>(day), wxDateTime::Name_Abbr), 2,
                    y + (m_cell - line) / 2);
        for (int hour = 0; hour < 24; ++hour) {
            dc.SetPen(wxPen(grid));
            dc.SetBrush(wxBrush(ColourOf(m_week[static_cast<size_t>(day)][static_cast<size_t>(hour)])));
            dc.DrawRectangle(left + hour * m_cell, y, m_cell + 1, m_cell + 1);
        }
    }
    // The legend: what the colours mean, from none of the hour to all of it.
    const int legendY = top + 7 * m_cell + 8;
    int x = left;
    const wxString none = _("never");
    const wxString all = _("always");
    dc.DrawText(none, x, legendY + (m_cell - line) / 2);
    x += dc.GetTextExtent(none).x + 6;
    for (int step = 0; step < kLegendSteps; ++step) {
        dc.SetBrush(wxBrush(ColourOf(static_cast<double>(step) / (kLegendSteps - 1))));
        dc.DrawRectangle(x, legendY, m_cell + 1, m_cell + 1);
        x += m_cell;
    }
    dc.DrawText(all, x + 6, legendY + (m_cell - line) / 2);
    dc.DrawText(wxString::Format(_("Share of each hour on line, last %d weeks"), PerformerHistory::kWeeks), left, legendY + m_cell + 4);
}
