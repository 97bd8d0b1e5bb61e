#pragma once

#include <functional>
#include <string>
#include <vector>

// The plug-in's one teardown. Each subsystem registers its step once, under the stage it
// belongs to, while it lives; every way out (the menus, the tray, the window's close box, a
// signal, the module's clean-up, a failed load) runs the steps pending up to a stage, in this
// order and each once. Steps run on the user-interface thread; any thread may register.
class Shutdown {
public:
    enum class Stage {
        // Nothing shows or asks any more: timers, popups, desktop notifications.
        Windows,
        // Every plug-in thread asked to stop, waited for and joined.
        Threads,
        // What the threads posted to: the tray icon, the popup manager, download receivers.
        Handlers,
        // What the user keeps: the window's geometry, the settings written out.
        State,
        // The process-wide services the module set up: the skin, the UI dispatcher, sockets.
        Services,
    };
    using Step = std::function<void()>;

    // Registers 'step' unless a step named 'name' is pending already.
    static void Register(Stage stage, const std::string& name, Step step);
    // Runs and forgets every pending step of the stages up to 'last', stage by stage, in the
    // order they were registered within a stage.
    static void Run(Stage last);
    // The names of the pending steps, in the order they would run.
    static std::vector<std::string> Pending();
};
