#pragma once

#include <type_traits>

#include <wx/string.h>

#include "app/Settings.h"

// One stored setting: its key and its default, named once (in Keys.h), read and written
// through the thread-safe store.
template <typename T>
class Setting {
public:
    // Strings default to a literal, so that every setting is a compile-time constant.
    using Fallback = std::conditional_t<std::is_same_v<T, wxString>, const char*, T>;

    constexpr Setting(const char* key, Fallback fallback) : m_key(key), m_fallback(fallback) {}

    T Read() const
    {
        if constexpr (std::is_same_v<T, bool>)
            return Settings::ReadBool(m_key, m_fallback);
        else if constexpr (std::is_same_v<T, long>)
            return Settings::ReadLong(m_key, m_fallback);
        else
            return Settings::ReadString(m_key, wxString::FromUTF8(m_fallback));
    }
    // With a default known only at run time (what the desktop can do).
    T Read(const T& fallback) const
    {
        if constexpr (std::is_same_v<T, bool>)
            return Settings::ReadBool(m_key, fallback);
        else if constexpr (std::is_same_v<T, long>)
            return Settings::ReadLong(m_key, fallback);
        else
            return Settings::ReadString(m_key, fallback);
    }
    void Write(const T& value) const
    {
        if constexpr (std::is_same_v<T, bool>)
            Settings::WriteBool(m_key, value);
        else if constexpr (std::is_same_v<T, long>)
            Settings::WriteLong(m_key, value);
        else
            Settings::WriteString(m_key, value);
    }
    void Delete() const { Settings::DeleteEntry(m_key); }

    const char* Key() const { return m_key; }
    Fallback Default() const { return m_fallback; }

private:
    static_assert(std::is_same_v<T, bool> || std::is_same_v<T, long> || std::is_same_v<T, wxString>,
                  "the store keeps booleans, numbers and strings");
    const char* m_key;
    Fallback m_fallback;
};
