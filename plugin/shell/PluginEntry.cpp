// The plug-in's entry points, the only symbols it exports.
#include <mutex>

#include <wx/dcmemory.h>
#include <wx/intl.h>
#include <wx/splash.h>
#include <wx/statbmp.h>

#include "app/Keys.h"
#include "net/HttpClient.h"
#include "net/PluginUpdate.h"
#include "net/Util.h"
#include "net/Version.h"
#include "shell/MainFrame.h"
#include "skin/ResourceManager.h"
#include "skin/SkinText.h"

#ifndef SORVIK_PLUGIN_VERSION
#define SORVIK_PLUGIN_VERSION "1.3.0"
#endif

namespace {
// The version this build reports to the site's update service and in every request.
const Version g_ownVersion(SORVIK_PLUGIN_VERSION);
// Read from the file by an older plug-in that offers this one.
[[maybe_unused]] __attribute__((used)) const char g_versionMark[] = SORVIK_VERSION_MARK SORVIK_PLUGIN_VERSION;
[[maybe_unused]] const bool g_versionAnnounced = (HttpClient::SetProductVersion(SORVIK_PLUGIN_VERSION), true);
// The skin's splash; one given without words gets the sentence and "Loading..." in the user's
// language, where the default skin's own picture has them.
wxBitmap SplashPicture(ResourceManager& skin)
{
    wxBitmap picture = skin.GetBitmap("SplashScreen_bitmap_blank");
    if (!picture.IsOk())
        return skin.GetBitmap("SplashScreen_bitmap");
    wxMemoryDC dc(picture);
    const auto write = [&](const wxString& text, int pixels, const wxColour& colour, int top) {
        SkinText::FitFont(dc, wxFont(wxFontInfo(wxSize(0, pixels))), text, picture.GetWidth() - 80, 8);
        dc.SetTextForeground(colour);
        dc.DrawText(text, 40, top);
    };
    write(_("Who is on line, free or in a show, at a glance."), 15, wxColour(0xd6, 0xe4, 0xff), 170);
    write(_("Loading..."), 13, wxColour(0xa9, 0xbd, 0xe8), 202);
    dc.SelectObject(wxNullBitmap);
    return picture;
}

} // namespace

extern "C" __attribute__((visibility("default"))) bool SiteRun()
{
    ResourceManager* skin = ResourceManager::GetInstance();
    const long duration = Keys::SplashDuration.Read();
    const wxBitmap splash = SplashPicture(*skin);
    // A splash over an invalid bitmap would show an empty box; the frame comes all the same.
    if (splash.IsOk()) {
        auto* screen = new wxSplashScreen(splash, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_TIMEOUT,
                                          static_cast<int>(duration * 1000), nullptr, wxID_ANY,
                                          wxDefaultPosition, wxDefaultSize, wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR);
        // In Japanese and other Asian locales GTK's XIM input module gives the splash's focused
        // drawing window a native X window of its own that stays black. A picture drawn in the
        // splash's own window needs no input context and shows in every locale.
        if (wxWindow* canvas = screen->GetSplashWindow()) {
            canvas->Hide();
            new wxStaticBitmap(screen, wxID_ANY, splash, canvas->GetPosition(), canvas->GetSize());
        }
    }
    new MainFrame;
    return true;
}

extern "C" __attribute__((visibility("default"))) wxFileName* GetNewPluginFileName()
{
    // Two hosts threads asking at once would write the same files.
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    static wxFileName newPlugin;
    if (!PluginUpdate::Check(Util::GetApplicationFileName(), g_ownVersion, newPlugin))
        return nullptr;
    return &newPlugin;
}
