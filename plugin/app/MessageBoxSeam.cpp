#include "app/MessageBoxSeam.h"

#include <utility>

#include <wx/generic/msgdlgg.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>
#include <wx/toplevel.h>

#include "app/MainFrameLink.h"

namespace {
MessageBoxSeam::Responder& Current()
{
    static MessageBoxSeam::Responder responder;
    return responder;
}
} // namespace

int MessageBoxSeam::Show(const wxString& message, const wxString& caption, long style)
{
    wxASSERT_MSG(wxIsMainThread(), "message boxes belong to the user-interface thread");
    // Copied so that a responder may replace itself while it runs.
    Responder responder = Current();
    if (responder)
        return responder(message, caption, style);
    // The toolkit's own dialog rather than GTK's: a GTK message box runs a loop of its own that
    // EndModal cannot end, and an exit (a signal, the site's exit command) must be able to.
    // Owned by the main window when it is on screen, so that the focus goes back to it, and
    // kept above the popups (which stay above other windows) until answered.
    auto* owner = dynamic_cast<wxTopLevelWindow*>(MainFrameLink::Get());
    if (owner && (!owner->IsShown() || owner->IsIconized() || owner->IsBeingDeleted()))
        owner = nullptr;
    wxGenericMessageDialog dialog(owner, message, caption, style);
    dialog.SetWindowStyleFlag(dialog.GetWindowStyleFlag() | wxSTAY_ON_TOP);
    const int answer = dialog.ShowModal();
    if (owner && owner->IsShown())
        owner->Raise();
    switch (answer) {
    case wxID_OK: return wxOK;
    case wxID_YES: return wxYES;
    case wxID_NO: return wxNO;
    default: return wxCANCEL;
    }
}

MessageBoxSeam::Responder MessageBoxSeam::SetResponder(Responder responder)
{
    std::swap(Current(), responder);
    return responder;
}
