#pragma once

// The shared libraries the plug-in links that must outlive it: those that keep thread-local
// data, register types or leave callbacks behind would crash the process once unloaded.
class LoadedLibrary {
public:
    // Keeps the library that holds 'symbol' loaded until the process ends. 'alreadyLoaded'
    // only pins a library that is there (never loads one).
    static void KeepForever(const void* symbol, bool alreadyLoaded = true);
};
