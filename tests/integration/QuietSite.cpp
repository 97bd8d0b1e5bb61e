#include "QuietSite.h"

#include <cstdlib>

#include "app/Settings.h"
#include "net/ProxySetting.h"

std::unique_ptr<sitesim::SiteSimulator> StartQuietSite()
{
    sitesim::SiteSimulator::Options options;
    options.performers = 0;
    options.churn = false;
    if (const char* key = std::getenv("SORVIK_SIGNING_KEY"))
        options.signingKey = key;
    auto sim = std::make_unique<sitesim::SiteSimulator>(options);
    if (!sim->Start())
        return nullptr;
    Settings::WriteString(Settings::HostKey(Settings::Host::Main),
                          wxString::FromUTF8(sim->HostPort()));
    ProxySetting::Set("");
    return sim;
}
