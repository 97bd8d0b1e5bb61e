#include "PerformerPool.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace sitesim {

namespace {
const char* const kSyllables[] = {"ka", "mi", "ra", "no", "su", "ri", "ta", "yu", "ne", "ko",
                                  "ha", "sa", "to", "mo", "na", "ai", "ki", "re", "lu", "ya"};
}

PerformerPool::PerformerPool(unsigned seed, int count)
    : m_random(seed), m_target(std::max(0, count))
{
    for (int i = 0; i < m_target; ++i)
        m_performers.push_back(MakePerformer());
}

std::string PerformerPool::MakeName()
{
    std::uniform_int_distribution<int> syllable(0, 19);
    std::uniform_int_distribution<int> length(2, 3);
    std::string name;
    for (int i = length(m_random); i > 0; --i)
        name += kSyllables[syllable(m_random)];
    // The serial keeps names unique for as long as the pool lives. Some names carry an
    // underscore, which the list allows but a favourites answer cuts off.
    ++m_serial;
    name += (m_serial % 5 == 0 ? "_" : "") + std::to_string(m_serial);
    return name;
}

SimPerformer PerformerPool::MakePerformer()
{
    SimPerformer p;
    p.name = MakeName();
    std::uniform_int_distribution<int> state(0, 9);
    int s = state(m_random);
    p.state = s < 6 ? SimPerformer::State::Free
                    : (s < 9 ? SimPerformer::State::Public : SimPerformer::State::Private);
    std::uniform_int_distribution<int> viewers(0, 120);
    p.viewers = viewers(m_random);
    return p;
}

void PerformerPool::Tick()
{
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::vector<SimPerformer> next;
    next.reserve(m_performers.size() + 8);
    for (SimPerformer& p : m_performers) {
        const double roll = chance(m_random);
        if (roll < 0.004)
            continue; // left the site
        if (roll < 0.02) {
            std::uniform_int_distribution<int> state(0, 2);
            p.state = static_cast<SimPerformer::State>(state(m_random));
        }
        if (chance(m_random) < 0.2)
            p.viewers = std::max(0, p.viewers + std::uniform_int_distribution<int>(-3, 3)(m_random));
        next.push_back(p);
    }
    // Newcomers keep the population near its size.
    const double expected = 0.004 * m_target + (m_target - static_cast<double>(next.size())) * 0.1;
    int joins = std::poisson_distribution<int>(std::max(0.0, expected))(m_random);
    while (joins-- > 0) {
        // Newcomers appear at random places, as on the site.
        std::uniform_int_distribution<size_t> where(0, next.size());
        next.insert(next.begin() + static_cast<long>(where(m_random)), MakePerformer());
    }
    m_performers.swap(next);
}

void PerformerPool::Set(std::vector<SimPerformer> performers)
{
    m_performers = std::move(performers);
    m_target = static_cast<int>(m_performers.size());
}

const char* PerformerPool::StateName(SimPerformer::State state)
{
    switch (state) {
    case SimPerformer::State::Free: return "free";
    case SimPerformer::State::Public: return "public";
    case SimPerformer::State::Private: return "private";
    }
    return "free";
}

bool PerformerPool::ParseState(const std::string& text, SimPerformer::State& state)
{
    if (text == "free")
        state = SimPerformer::State::Free;
    else if (text == "public")
        state = SimPerformer::State::Public;
    else if (text == "private")
        state = SimPerformer::State::Private;
    else
        return false;
    return true;
}

std::string PerformerPool::RenderScript(const std::vector<SimPerformer>& performers)
{
    std::ostringstream out;
    out << "// Tabuno: performers on line now. Generated; do not cache.\n"
           "function PerformerSet() {\n"
           "  this.items = new Array();\n"
           "  this.add = function (p) { this.items.push(p); };\n"
           "}\n"
           "function Performer(name) { this.name = name; }\n"
           "var online_performers = new PerformerSet();\n"
           "var free_performers = new PerformerSet();\n"
           "var busy_performers = new PerformerSet();\n"
           "var public_performers = new PerformerSet();\n"
           "var private_performers = new PerformerSet();\n\n";
    for (const SimPerformer& p : performers) {
        out << "var " << p.name << " = new Performer(\"" << p.name << "\");\n";
        out << p.name << ".viewers = " << p.viewers << ";\n";
        out << "online_performers.add(" << p.name << ");\n";
        switch (p.state) {
        case SimPerformer::State::Free:
            out << "free_performers.add(" << p.name << ");\n";
            break;
        case SimPerformer::State::Public:
            out << "busy_performers.add(" << p.name << ");\n";
            out << "public_performers.add(" << p.name << ");\n";
            break;
        case SimPerformer::State::Private:
            out << "private_performers.add(" << p.name << ");\n";
            out << "busy_performers.add(" << p.name << ");\n";
            break;
        }
    }
    out << "\nif (typeof onPerformersLoaded == \"function\") onPerformersLoaded();\n";
    return out.str();
}

} // namespace sitesim
