#include <set>

#include <gtest/gtest.h>

#include "PerformerPool.h"
#include "SiteSimulator.h"
#include "site/MemoryLineSource.h"
#include "site/OnlineListReader.h"

using sitesim::PerformerPool;
using sitesim::SimPerformer;

TEST(PerformerPoolTest, ScriptReadsBackAsThePerformersWithTheirStates)
{
    PerformerPool pool(7, 200);
    const std::string script = PerformerPool::RenderScript(pool.Performers());
    MemoryLineSource source(script);
    OnlineListReader reader;
    UserList list;
    ASSERT_TRUE(reader.Read(source, list));
    ASSERT_EQ(list.size(), pool.Performers().size()) << "no stray records in the script's code";
    for (const SimPerformer& p : pool.Performers()) {
        const User* u = list.FindUser(wxString::FromUTF8(p.name));
        ASSERT_NE(u, nullptr) << p.name;
        const unsigned long expected = p.state == SimPerformer::State::Free     ? 0x03
                                       : p.state == SimPerformer::State::Public ? 0x0D
                                                                                : 0x15;
        EXPECT_EQ(u->GetStatus(), expected) << p.name;
    }
}

TEST(PerformerPoolTest, ChurnChangesTheListButKeepsNamesUniqueAndTheSizeNear)
{
    PerformerPool pool(3, 300);
    const auto before = pool.Performers();
    for (int i = 0; i < 60; ++i)
        pool.Tick();
    const auto& after = pool.Performers();
    std::set<std::string> names;
    for (const auto& p : after)
        names.insert(p.name);
    EXPECT_EQ(names.size(), after.size());
    EXPECT_GT(after.size(), 240u);
    EXPECT_LT(after.size(), 360u);
    int same = 0;
    for (const auto& p : before)
        same += names.count(p.name) && true;
    EXPECT_LT(same, static_cast<int>(before.size())) << "someone left within a minute";
}

TEST(SiteSimulatorTest, ComparesVersionsNumerically)
{
    EXPECT_LT(sitesim::SiteSimulator::CompareVersions("1.3", "1.3.1"), 0);
    EXPECT_LT(sitesim::SiteSimulator::CompareVersions("1.9.0", "1.10.0"), 0);
    EXPECT_EQ(sitesim::SiteSimulator::CompareVersions("1.3", "1.3.0"), 0);
    EXPECT_GT(sitesim::SiteSimulator::CompareVersions("2", "1.99"), 0);
}
