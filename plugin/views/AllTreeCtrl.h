#pragma once

#include "views/UserListTreeCtrl.h"

// Every performer on line, under one "Online" group, with a free or busy icon.
class AllTreeCtrl : public UserListTreeCtrl {
public:
    AllTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxTR_DEFAULT_STYLE,
                const wxValidator& validator = wxDefaultValidator,
                const wxString& name = wxTreeCtrlNameStr);

    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserListInitialized(UserListEvent& event);
    void UpdateGroupLabels();

    wxTreeItemId GetOnlineGroup() const { return m_onlineGroup; }
    int GetFreeIcon() const { return m_freeIcon; }
    int GetBusyIcon() const { return m_busyIcon; }

protected:
    void OnListPlaced() override;

private:
    int IconFor(unsigned long status) const;

    wxString m_onlineLabel;
    wxTreeItemId m_onlineGroup;
    int m_freeIcon = -1;
    int m_busyIcon = -1;

    wxDECLARE_EVENT_TABLE();
};
