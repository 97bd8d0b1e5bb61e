#include "app/AccountPassword.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <libsecret/secret.h>

#include "app/Keys.h"
#include "app/LoadedLibrary.h"
#include "app/Settings.h"

namespace {
// A keyring that asks the user to unlock it is given this long before the settings file is used.
constexpr guint kLookupSeconds = 60;
// At exit, what the keyring still has to answer.
constexpr auto kStopWait = std::chrono::seconds(2);

const SecretSchema kSchema = {
    "com.sorvik.Statuscope.Account",
    SECRET_SCHEMA_NONE,
    {{"host", SECRET_SCHEMA_ATTRIBUTE_STRING}, {"user", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, {}}},
    0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

struct State {
    wxString password;
    bool loaded = false;
    bool lookingUp = false;
    bool stopping = false;
    bool toldFile = false;
    AccountPassword::Store where = AccountPassword::Store::Unknown;
    int calls = 0;
    int stores = 0;
    // Each password typed starts a new generation: an older answer no longer decides anything.
    unsigned generation = 0;
    unsigned firstOfRun = 0; // answers older than this belong to a window closed since
    GCancellable* lookupCancel = nullptr;
    GCancellable* storeCancel = nullptr;
    guint lookupTimer = 0;
    std::vector<std::function<void()>> ready;
};

State& The()
{
    static State state;
    return state;
}

std::string Utf8(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

std::string HostAttribute() { return Utf8(Settings::HostName(Settings::Host::Main)); }
std::string UserAttribute() { return Utf8(Keys::Id.Read()); }

void UseFile()
{
    State& s = The();
    s.where = AccountPassword::Store::File;
    if (!s.toldFile) {
        s.toldFile = true;
        std::fputs("sorvik: no keyring answers; the account's password is kept in the settings file, "
                   "readable only by you\n",
                   stderr);
    }
}

void Loaded()
{
    State& s = The();
    s.loaded = true;
    std::vector<std::function<void()>> ready;
    ready.swap(s.ready);
    for (auto& run : ready)
        if (run)
            run();
}

struct Call {
    unsigned generation;
    wxString password; // the one stored, to keep in the file if the keyring refuses it
};

void OnStored(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    State& s = The();
    GError* error = nullptr;
    const bool stored = secret_password_store_finish(result, &error);
    if (error)
        g_error_free(error);
    if (call->generation < s.firstOfRun)
        return;
    --s.calls;
    --s.stores;
    if (call->generation != s.generation)
        return;
    if (stored) {
        s.where = AccountPassword::Store::Keyring;
        // Kept in one place only: the keyring.
        Keys::Password.Delete();
        Settings::Flush();
        return;
    }
    UseFile();
    Keys::Password.Write(call->password);
    Settings::Flush();
}

void StartStore(const wxString& password)
{
    State& s = The();
    if (!s.storeCancel)
        s.storeCancel = g_cancellable_new();
    ++s.calls;
    ++s.stores;
    const std::string host = HostAttribute();
    const std::string user = UserAttribute();
    const std::string label = "Sorvik Statuscope: " + user + "@" + host;
    secret_password_store(&kSchema, SECRET_COLLECTION_DEFAULT, label.c_str(), Utf8(password).c_str(),
                          s.storeCancel, &OnStored, new Call{s.generation, password}, "host", host.c_str(),
                          "user", user.c_str(), nullptr);
}

void EndLookup()
{
    State& s = The();
    s.lookingUp = false;
    if (s.lookupTimer)
        g_source_remove(s.lookupTimer);
    s.lookupTimer = 0;
}

void OnLookedUp(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    State& s = The();
    GError* error = nullptr;
    gchar* found = secret_password_lookup_finish(result, &error);
    if (call->generation >= s.firstOfRun)
        --s.calls;
    const bool current = call->generation == s.generation && !s.loaded && !s.stopping;
    if (current) {
        EndLookup();
        if (error) {
            // No service, a keyring left locked, or no answer in time: the file as before.
            UseFile();
            s.password = Keys::Password.Read();
        } else {
            s.where = AccountPassword::Store::Keyring;
            s.password = found ? wxString::FromUTF8(found) : wxString();
        }
    }
    if (found)
        secret_password_free(found);
    if (error)
        g_error_free(error);
    if (current)
        Loaded();
}

gboolean OnLookupTimeout(gpointer)
{
    State& s = The();
    s.lookupTimer = 0;
    if (s.lookupCancel)
        g_cancellable_cancel(s.lookupCancel);
    return G_SOURCE_REMOVE;
}
} // namespace

void AccountPassword::Load(std::function<void()> ready)
{
    State& s = The();
    if (s.loaded) {
        if (ready)
            ready();
        return;
    }
    s.ready.push_back(std::move(ready));
    if (s.lookingUp || s.stopping)
        return;
    // Its callbacks run code of the plug-in; its D-Bus objects outlive any unload.
    const wxString inFile = Keys::Password.Read();
    if (inFile.empty() && Keys::Id.Read().empty()) {
        // No account: nothing to ask the keyring for (nor to start one for).
        s.password.clear();
        Loaded();
        return;
    }
    // Its callbacks run code of the plug-in; its D-Bus objects outlive any unload.
    LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&secret_password_lookup));
    if (!inFile.empty()) {
        // Written by an earlier version, or kept there when no keyring answered: moved now.
        s.password = inFile;
        StartStore(inFile);
        Loaded();
        return;
    }
    s.lookingUp = true;
    if (!s.lookupCancel)
        s.lookupCancel = g_cancellable_new();
    ++s.calls;
    s.lookupTimer = g_timeout_add_seconds(kLookupSeconds, &OnLookupTimeout, nullptr);
    const std::string host = HostAttribute();
    const std::string user = UserAttribute();
    secret_password_lookup(&kSchema, s.lookupCancel, &OnLookedUp, new Call{s.generation, wxString()}, "host",
                           host.c_str(), "user", user.c_str(), nullptr);
}

bool AccountPassword::IsLoaded()
{
    return The().loaded;
}

wxString AccountPassword::Get()
{
    const State& s = The();
    // Known from the keyring, or just typed while the keyring still has to take it.
    if (s.where == Store::Keyring || (s.loaded && s.where == Store::Unknown))
        return s.password;
    return Keys::Password.Read();
}

void AccountPassword::Set(const wxString& password)
{
    State& s = The();
    ++s.generation;
    s.password = password;
    if (s.lookingUp)
        EndLookup();
    LoadedLibrary::KeepForever(reinterpret_cast<const void*>(&secret_password_lookup));
    if (s.where == Store::File || s.stopping) {
        Keys::Password.Write(password);
        Settings::Flush();
    } else {
        StartStore(password);
    }
    if (!s.loaded)
        Loaded();
}

AccountPassword::Store AccountPassword::Where()
{
    return The().where;
}

int AccountPassword::CallsUnderWay()
{
    return The().calls;
}

void AccountPassword::Stop()
{
    State& s = The();
    s.stopping = true;
    s.ready.clear();
    EndLookup();
    if (s.lookupCancel)
        g_cancellable_cancel(s.lookupCancel);
    // A password just typed is stored before the program goes; a refused one lands in the file.
    const auto until = std::chrono::steady_clock::now() + kStopWait;
    while (s.calls > 0 && std::chrono::steady_clock::now() < until) {
        if (s.stores == 0 || std::chrono::steady_clock::now() + kStopWait / 2 > until)
            if (s.storeCancel)
                g_cancellable_cancel(s.storeCancel);
        if (!g_main_context_iteration(nullptr, FALSE))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (GCancellable** cancel : {&s.lookupCancel, &s.storeCancel})
        if (*cancel) {
            g_object_unref(*cancel);
            *cancel = nullptr;
        }
    // A later window in the same process asks again.
    const bool told = s.toldFile;
    const unsigned generation = s.generation + 1; // late answers of this run decide nothing
    s = State();
    s.toldFile = told;
    s.generation = generation;
    s.firstOfRun = generation;
}
