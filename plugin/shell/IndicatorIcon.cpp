#include "shell/IndicatorIcon.h"

#include <sys/stat.h>
#include <unistd.h>

#include <wx/bitmap.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/menu.h>

#include <libayatana-appindicator/app-indicator.h>

#include "app/LoadedLibrary.h"

namespace {

constexpr const char* kId = "com.sorvik.Statuscope";

// The library and the menu exporter it loads register types and bus handlers of their own:
// they stay loaded when the plug-in is unloaded.
void KeepIndicatorLoaded()
{
    LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&app_indicator_new));
}

// Tray hosts read icons from files: the skin's icon is written where only this user reads it,
// under the name the installed theme icon has too. Empty when it cannot be written.
wxString WriteIcon(const wxIcon& icon)
{
    const wxString folder = wxString::FromUTF8(g_get_user_runtime_dir()) + "/" + kId;
    ::mkdir(folder.fn_str(), 0700);
    if (!icon.IsOk() || !wxFileName::DirExists(folder))
        return wxString();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxBitmap bitmap;
    bitmap.CopyFromIcon(icon);
    const wxString path = folder + "/" + kId + ".png";
    if (!bitmap.IsOk() || !bitmap.SaveFile(path, wxBITMAP_TYPE_PNG))
        return wxString();
    return folder;
}

} // namespace

IndicatorIcon::IndicatorIcon(const wxIcon& icon, const wxString& title, wxMenu* menu, int secondaryId,
                             std::function<void(bool)> connected)
    : m_onConnection(std::move(connected))
{
    KeepIndicatorLoaded();
    m_iconFolder = WriteIcon(icon);
    m_indicator = app_indicator_new(kId, kId, APP_INDICATOR_CATEGORY_APPLICATION_STATUS);
    if (!m_iconFolder.empty())
        app_indicator_set_icon_theme_path(m_indicator, m_iconFolder.utf8_str());
    app_indicator_set_icon_full(m_indicator, kId, title.utf8_str());
    SetTitle(title);
    app_indicator_set_menu(m_indicator, GTK_MENU(menu->m_menu));
    // A middle click on hosts that send it does what the menu's first item does.
    if (wxMenuItem* item = menu->FindItem(secondaryId))
        app_indicator_set_secondary_activate_target(m_indicator, item->GetMenuItem());
    g_signal_connect(m_indicator, "connection-changed", G_CALLBACK(&IndicatorIcon::OnConnectionChanged), this);
    app_indicator_set_status(m_indicator, APP_INDICATOR_STATUS_ACTIVE);
}

IndicatorIcon::~IndicatorIcon()
{
    g_signal_handlers_disconnect_by_data(m_indicator, this);
    app_indicator_set_status(m_indicator, APP_INDICATOR_STATUS_PASSIVE);
    g_object_unref(m_indicator);
    if (!m_iconFolder.empty()) {
        wxRemoveFile(m_iconFolder + "/" + kId + ".png");
        ::rmdir(m_iconFolder.fn_str());
    }
}

void IndicatorIcon::SetTitle(const wxString& title)
{
    app_indicator_set_title(m_indicator, title.utf8_str());
}

void IndicatorIcon::OnConnectionChanged(AppIndicator*, int connected, void* self)
{
    auto* icon = static_cast<IndicatorIcon*>(self);
    icon->m_connected = connected != 0;
    if (icon->m_onConnection)
        icon->m_onConnection(icon->m_connected);
}
