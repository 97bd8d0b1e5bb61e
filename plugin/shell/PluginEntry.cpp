// The plug-in's entry points, the only symbols it exports.
#include <wx/splash.h>

#include "shell/MainFrame.h"
#include "site/Settings.h"
#include "skin/ResourceManager.h"

extern "C" __attribute__((visibility("default"))) bool SiteRun()
{
    ResourceManager* skin = ResourceManager::GetInstance();
    const long duration = Settings::ReadLong("/SplashScreen/duration", 3);
    const wxBitmap splash = skin->GetBitmap("SplashScreen_bitmap");
    // A splash over an invalid bitmap would show an empty box; the frame comes all the same.
    if (splash.IsOk())
        new wxSplashScreen(splash, wxSPLASH_CENTRE_ON_SCREEN | wxSPLASH_TIMEOUT,
                           static_cast<int>(duration * 1000), nullptr, wxID_ANY,
                           wxDefaultPosition, wxDefaultSize, wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR);
    new MainFrame;
    return true;
}
