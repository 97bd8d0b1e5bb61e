#include "views/HistoryDialog.h"

#include <wx/button.h>
#include <wx/datetime.h>
#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "site/HistoryDatabase.h"
#include "site/HistoryRecorder.h"
#include "views/HeatMapCtrl.h"

namespace {
// Older sessions do not change what the window shows.
constexpr std::time_t kReadDays = 7 * PerformerHistory::kWeeks + 1;

wxString Duration(double hours)
{
    const long minutes = static_cast<long>(hours * 60 + 0.5);
    return wxString::Format(_("%ld h %02ld min"), minutes / 60, minutes % 60);
}
} // namespace

PerformerHistory::Summary HistoryDialog::Read(const wxString& path, const wxString& name, std::time_t now)
{
    if (path.empty())
        return {};
    HistoryDatabase db(path);
    return PerformerHistory::Summarize(db.SessionsOf(name, now - kReadDays * 24 * 60 * 60), now);
}

HistoryDialog::HistoryDialog(wxWindow* parent, const wxString& name, const PerformerHistory::Summary& summary)
    : wxDialog(parent, wxID_ANY, wxString::Format(_("History of %s"), name), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU)
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    const int gap = wxSizerFlags::GetDefaultBorder();
    const auto line = [&](const wxString& text, bool bold = false) {
        auto* label = new wxStaticText(this, wxID_ANY, text);
        if (bold)
            label->SetFont(label->GetFont().Bold());
        top->Add(label, 0, wxLEFT | wxRIGHT | wxTOP, gap);
    };
    line(name, true);
    line(SeenText(summary));
    if (summary.seen) {
        line(wxString::Format(_("On line today: %s (free %s)"), Duration(summary.hoursToday),
                              Duration(summary.hoursFreeToday)));
        line(wxString::Format(_("On line in the last 7 days: %s"), Duration(summary.hoursWeek)));
    }
    top->Add(new HeatMapCtrl(this, summary.heat), 0, wxALL, gap * 2);
    auto* close = new wxButton(this, wxID_CANCEL, _("Close"));
    close->SetDefault();
    SetEscapeId(wxID_CANCEL);
    top->Add(close, 0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, gap * 2);
    SetSizerAndFit(top);
    CentreOnParent();
}

wxString HistoryDialog::SeenText(const PerformerHistory::Summary& summary)
{
    if (!summary.seen)
        return _("Not seen on line yet.");
    if (summary.onlineNow)
        return _("On line now.");
    return wxString::Format(_("Last seen: %s"), wxDateTime(summary.lastSeen).Format("%x %H:%M"));
}

void HistoryDialog::ShowFor(wxWindow* parent, const wxString& name)
{
    HistoryDialog dialog(parent, name, Read(HistoryRecorder::DefaultPath(), name, std::time(nullptr)));
    dialog.ShowModal();
}
