#pragma once

#include <random>
#include <string>
#include <vector>

namespace sitesim {

struct SimPerformer {
    enum class State { Free, Public, Private };
    std::string name;
    State state = State::Free;
    int viewers = 0;
};

// A population of performers that comes and goes like a live site's.
class PerformerPool {
public:
    PerformerPool(unsigned seed, int count);

    // One second of life: a few performers leave, join or change shows.
    void Tick();
    void Set(std::vector<SimPerformer> performers);
    const std::vector<SimPerformer>& Performers() const { return m_performers; }

    // The online list script, shaped like the site's own.
    static std::string RenderScript(const std::vector<SimPerformer>& performers);
    static const char* StateName(SimPerformer::State state);
    // "free", "public" or "private"; false for anything else.
    static bool ParseState(const std::string& text, SimPerformer::State& state);

private:
    SimPerformer MakePerformer();
    std::string MakeName();

    std::mt19937 m_random;
    int m_target;
    int m_serial = 0;
    std::vector<SimPerformer> m_performers;
};

} // namespace sitesim
