#include "views/PerformerRules.h"

#include <algorithm>

#include <wx/intl.h>
#include <wx/menu.h>

#include <canberra-gtk.h>

#include "app/CommandIds.h"
#include "app/DataFiles.h"
#include "app/Keys.h"
#include "app/LoadedLibrary.h"

namespace {
constexpr size_t kMaxRulesFile = 1 << 20;

void ApplyTo(NotifyRules& rules)
{
    rules.SetQuietHours(Keys::QuietHours.Read(), static_cast<int>(Keys::QuietFrom.Read()),
                        static_cast<int>(Keys::QuietTo.Read()));
    rules.SetCoolDownMinutes(static_cast<int>(std::clamp(Keys::CoolDownMinutes.Read(), 0L, 24L * 60)));
    rules.SetMutedUntil(static_cast<std::time_t>(Keys::MutedUntil.Read()));
}
} // namespace

NotifyRules& PerformerRules::Get()
{
    static NotifyRules rules = [] {
        NotifyRules loaded;
        // A damaged or huge file gives no rules rather than a stall.
        loaded.Parse(DataFiles::Read("rules", kMaxRulesFile));
        ApplyTo(loaded);
        return loaded;
    }();
    return rules;
}

void PerformerRules::ApplySettings()
{
    ApplyTo(Get());
}


bool PerformerRules::Save()
{
    return DataFiles::Write("rules", Get().Serialize());
}

void PerformerRules::AppendMenu(wxMenu& menu, const wxString& name)
{
    const NotifyRules::Rule rule = Get().Get(name);
    auto* notify = new wxMenu;
    notify->AppendRadioItem(ID_RULE_ALWAYS, _("When on line or free"));
    notify->AppendRadioItem(ID_RULE_ONLY_FREE, _("Only when free"));
    notify->AppendRadioItem(ID_RULE_NEVER, _("Never"));
    notify->Check(rule.when == NotifyRules::When::OnlyFree ? ID_RULE_ONLY_FREE
                  : rule.when == NotifyRules::When::Never  ? ID_RULE_NEVER
                                                           : ID_RULE_ALWAYS,
                  true);
    notify->AppendSeparator();
    notify->AppendCheckItem(ID_RULE_SOUND, _("Play a sound"));
    notify->Check(ID_RULE_SOUND, rule.sound);
    menu.AppendSubMenu(notify, _("Notify"));
}

bool PerformerRules::HandleMenu(int id, const wxString& name)
{
    NotifyRules::Rule rule = Get().Get(name);
    switch (id) {
    case ID_RULE_ALWAYS: rule.when = NotifyRules::When::Always; break;
    case ID_RULE_ONLY_FREE: rule.when = NotifyRules::When::OnlyFree; break;
    case ID_RULE_NEVER: rule.when = NotifyRules::When::Never; break;
    case ID_RULE_SOUND: rule.sound = !rule.sound; break;
    default: return false;
    }
    if (name.empty())
        return true;
    Get().Set(name, rule);
    Save();
    return true;
}

void PerformerRules::PlaySound()
{
    ca_context* context = ca_gtk_context_get();
    if (!context)
        return;
    // The sound library keeps threads of its own: it stays loaded with the process.
    LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&ca_context_play));
    ca_context_play(context, 0, CA_PROP_EVENT_ID, "message-new-instant", CA_PROP_EVENT_DESCRIPTION,
                    "A performer came on line", nullptr);
}
