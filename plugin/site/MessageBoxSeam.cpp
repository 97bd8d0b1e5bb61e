#include "site/MessageBoxSeam.h"

#include <utility>

#include <wx/msgdlg.h>
#include <wx/thread.h>

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
    return wxMessageBox(message, caption, style, nullptr);
}

MessageBoxSeam::Responder MessageBoxSeam::SetResponder(Responder responder)
{
    std::swap(Current(), responder);
    return responder;
}
