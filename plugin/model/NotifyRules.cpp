#include "model/NotifyRules.h"

#include <iterator>

#include <wx/tokenzr.h>

namespace {
constexpr int kMinutesPerDay = 24 * 60;
const char* const kWhenNames[] = {"always", "free", "never"};
} // namespace

NotifyRules::Rule NotifyRules::Get(const wxString& name) const
{
    const auto found = m_rules.find(name);
    return found == m_rules.end() ? Rule() : found->second;
}

void NotifyRules::Set(const wxString& name, const Rule& rule)
{
    if (rule == Rule())
        m_rules.erase(name);
    else
        m_rules[name] = rule;
}

void NotifyRules::SetQuietHours(bool on, int from, int to)
{
    m_quiet = on && from != to;
    m_quietFrom = ((from % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay;
    m_quietTo = ((to % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay;
}

bool NotifyRules::IsQuiet(int minuteOfDay) const
{
    if (!m_quiet)
        return false;
    if (m_quietFrom < m_quietTo)
        return minuteOfDay >= m_quietFrom && minuteOfDay < m_quietTo;
    return minuteOfDay >= m_quietFrom || minuteOfDay < m_quietTo;
}

NotifyRules::Verdict NotifyRules::Decide(const wxString& name, bool becameFree, std::time_t now, int minuteOfDay)
{
    const Rule rule = Get(name);
    if (rule.when == When::Never || (rule.when == When::OnlyFree && !becameFree))
        return Verdict::Unwanted;
    if (now < m_mutedUntil)
        return Verdict::Muted;
    if (IsQuiet(minuteOfDay))
        return Verdict::Quiet;
    if (m_coolDownMinutes > 0) {
        const auto last = m_lastAnnounced.find(name);
        if (last != m_lastAnnounced.end() && now >= last->second && now - last->second < m_coolDownMinutes * 60)
            return Verdict::Repeat;
    }
    if (m_coolDownMinutes > 0) {
        m_lastAnnounced[name] = now;
        ForgetCooledDown(now);
    }
    return Verdict::Announce;
}

void NotifyRules::ForgetCooledDown(std::time_t now)
{
    // A watch of hours meets tens of thousands of names: those whose cool-down has run out are
    // dropped whenever the map has doubled since the last sweep, at a cost shared by the inserts.
    if (m_lastAnnounced.size() < 2 * m_sweptSize + 64)
        return;
    const std::time_t span = static_cast<std::time_t>(m_coolDownMinutes) * 60;
    for (auto it = m_lastAnnounced.begin(); it != m_lastAnnounced.end();)
        it = now >= it->second && now - it->second >= span ? m_lastAnnounced.erase(it) : std::next(it);
    m_sweptSize = m_lastAnnounced.size();
}

wxString NotifyRules::Serialize() const
{
    wxString text;
    for (const auto& [name, rule] : m_rules)
        text << name << '\t' << kWhenNames[static_cast<int>(rule.when)] << '\t' << (rule.sound ? '1' : '0') << '\n';
    return text;
}

void NotifyRules::Parse(const wxString& text)
{
    m_rules.clear();
    wxStringTokenizer lines(text, "\n", wxTOKEN_STRTOK);
    while (lines.HasMoreTokens()) {
        wxArrayString fields = wxSplit(lines.GetNextToken(), '\t', '\0');
        if (fields.size() != 3 || fields[0].empty() || fields[0].find_first_of(" ,\r") != wxString::npos)
            continue;
        Rule rule;
        int when = -1;
        for (int i = 0; i < 3; ++i)
            if (fields[1] == kWhenNames[i])
                when = i;
        if (when < 0 || (fields[2] != "0" && fields[2] != "1"))
            continue;
        rule.when = static_cast<When>(when);
        rule.sound = fields[2] == "1";
        Set(fields[0], rule);
    }
}
