#pragma once

#include <memory>

#include "SiteSimulator.h"

// A started simulated site with no performers and no churn, which the plug-in's main host
// setting now names; null when it could not start.
std::unique_ptr<sitesim::SiteSimulator> StartQuietSite();
