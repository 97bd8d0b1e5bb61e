#include "app/MainFrameLink.h"

#include <wx/app.h>
#include <wx/event.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/thread.h>
#include <wx/window.h>

namespace {
wxWindow* g_frame = nullptr;
}

void MainFrameLink::Register(wxWindow* frame)
{
    wxASSERT(wxIsMainThread());
    g_frame = frame;
}

void MainFrameLink::Unregister(wxWindow* frame)
{
    wxASSERT(wxIsMainThread());
    if (g_frame == frame)
        g_frame = nullptr;
}

wxWindow* MainFrameLink::Get()
{
    wxASSERT(wxIsMainThread());
    if (g_frame)
        return g_frame;
    return wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
}

bool MainFrameLink::PostCommand(int id)
{
    wxWindow* target = Get();
    if (!target)
        return false;
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(target);
    target->GetEventHandler()->AddPendingEvent(event);
    return true;
}

bool MainFrameLink::IsMenuItemEnabledAndChecked(int id)
{
    auto* frame = dynamic_cast<wxFrame*>(Get());
    wxMenuBar* bar = frame ? frame->GetMenuBar() : nullptr;
    wxMenuItem* item = bar ? bar->FindItem(id) : nullptr;
    return item && item->IsEnabled() && item->IsCheckable() && item->IsChecked();
}
