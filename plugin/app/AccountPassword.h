#pragma once

#include <functional>

#include <wx/string.h>

// The site account's password, read and written in this one place: in the desktop's keyring
// (the Secret Service, through libsecret) when one answers, otherwise in the settings file
// ("/password", readable by its owner only). The keyring is never waited for: its answers come
// back on the UI thread, and what they decide is known from then on. UI thread only.
class AccountPassword {
public:
    enum class Store { Unknown, Keyring, File };

    // Finds the stored password: one still in the settings file is moved into the keyring, else
    // the keyring is asked. 'ready' runs once it is known (at once when it already is).
    static void Load(std::function<void()> ready);
    static bool IsLoaded();
    // The password of the account "/id" names; empty until loaded.
    static wxString Get();
    // Keeps the password just typed for the account "/id" now names.
    static void Set(const wxString& password);
    // Where the password is kept; Unknown until the keyring has answered once.
    static Store Where();
    // Calls to the keyring still waiting for its answer.
    static int CallsUnderWay();
    // Lets the stores under way finish, cancels the rest and waits for their answers (bounded):
    // at exit, before the code they call goes and before the settings are written out.
    static void Stop();
};
