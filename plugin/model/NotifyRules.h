#pragma once

#include <ctime>
#include <map>

#include <wx/string.h>

// What the user asked of notifications beyond the specified filters: a rule per performer
// (when to be told, with a sound or not), a cool-down against a stream that flaps, daily
// quiet hours and a mute until a given time. It decides, for an event that passed the
// favourites filter and the pause, whether it is announced now or why not. The clock is the
// caller's; nothing here knows of windows.
class NotifyRules {
public:
    enum class When { Always, OnlyFree, Never }; // Always: on line or free, as without a rule
    struct Rule {
        When when = When::Always;
        bool sound = false;
        bool operator==(const Rule& other) const { return when == other.when && sound == other.sound; }
    };
    enum class Verdict { Announce, Unwanted, Muted, Quiet, Repeat };

    Rule Get(const wxString& name) const;
    // A rule equal to the default one is forgotten.
    void Set(const wxString& name, const Rule& rule);
    size_t size() const { return m_rules.size(); }
    const std::map<wxString, Rule>& All() const { return m_rules; }

    // Quiet from 'from' to 'to' (minutes after midnight, local time); from > to spans midnight.
    void SetQuietHours(bool on, int from, int to);
    void SetMutedUntil(std::time_t until) { m_mutedUntil = until; }
    std::time_t MutedUntil() const { return m_mutedUntil; }
    void SetCoolDownMinutes(int minutes) { m_coolDownMinutes = minutes < 0 ? 0 : minutes; }

    // The verdict for 'name' coming on line (or becoming free) at 'now', whose local time of
    // day is 'minuteOfDay'. An announcement starts the performer's cool-down.
    Verdict Decide(const wxString& name, bool becameFree, std::time_t now, int minuteOfDay);
    // How many performers' cool-downs are remembered.
    size_t CoolingDown() const { return m_lastAnnounced.size(); }

    // One rule a line: "name<TAB>always|free|never<TAB>0|1". Unreadable lines are skipped.
    wxString Serialize() const;
    void Parse(const wxString& text);

private:
    bool IsQuiet(int minuteOfDay) const;
    void ForgetCooledDown(std::time_t now);
    std::map<wxString, Rule> m_rules;
    std::map<wxString, std::time_t> m_lastAnnounced;
    size_t m_sweptSize = 0;
    bool m_quiet = false;
    int m_quietFrom = 0;
    int m_quietTo = 0;
    std::time_t m_mutedUntil = 0;
    int m_coolDownMinutes = 0;
};
