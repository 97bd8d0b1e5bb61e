#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <wx/init.h>

#include "app/Shutdown.h"
#include "app/ThreadLifeline.h"

namespace {
// The module of the plug-in registers steps of its own: only the test's are looked at.
std::vector<std::string> PendingOfTheTest()
{
    std::vector<std::string> names;
    for (const std::string& name : Shutdown::Pending())
        if (name.rfind("test ", 0) == 0)
            names.push_back(name);
    return names;
}
} // namespace

TEST(ShutdownTest, StepsRunOnceInStageOrderAndOnlyUpToTheStageAsked)
{
    wxInitializer toolkit;
    using S = Shutdown::Stage;
    std::vector<std::string> ran;
    const auto step = [&](const char* name) { return [&ran, name] { ran.push_back(name); }; };
    Shutdown::Register(S::Services, "test skin", step("test skin"));
    Shutdown::Register(S::State, "test geometry", step("test geometry"));
    Shutdown::Register(S::Windows, "test popups", step("test popups"));
    Shutdown::Register(S::Windows, "test popups", step("test second popups")); // registered once
    Shutdown::Register(S::Threads, "test threads", [&] {
        ran.push_back("test threads");
        // A step that sets something up again registers it for a later run.
        Shutdown::Register(S::Threads, "test threads", step("test threads again"));
    });
    EXPECT_EQ(PendingOfTheTest(), (std::vector<std::string>{"test popups", "test threads", "test geometry", "test skin"}));

    // The window goes: everything up to what the user keeps, not the module's services.
    Shutdown::Run(S::State);
    EXPECT_EQ(ran, (std::vector<std::string>{"test popups", "test threads", "test threads again", "test geometry"}));
    EXPECT_EQ(PendingOfTheTest(), (std::vector<std::string>{"test skin"}));

    Shutdown::Run(S::Services);
    Shutdown::Run(S::Services);
    EXPECT_EQ(ran.back(), "test skin");
    EXPECT_EQ(ran.size(), 5u) << "each step once";
    EXPECT_TRUE(PendingOfTheTest().empty());
}

// A wake given while the thread was busy is not lost: its next sleep ends at once, and a stop
// still reads as a stop.
TEST(ShutdownTest, ThreadSleepEndsOnWakeOrStop)
{
    auto lifeline = ThreadLifeline::Create();
    const auto started = std::chrono::steady_clock::now();
    lifeline->Wake();
    EXPECT_FALSE(lifeline->WaitForStopOrWake(20000));
    std::thread stopper([&] { lifeline->RequestStop(); });
    EXPECT_TRUE(lifeline->WaitForStopOrWake(20000));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    lifeline->MarkEnded();
}
