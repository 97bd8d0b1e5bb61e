#pragma once

#include "app/Setting.h"

// Every setting of the plug-in but the site's host names (Settings::Host), with its default.
namespace Keys {

// Seconds between two refreshes of the list.
inline constexpr Setting<long> SyncInterval{"/System/syncinterval", 10};
inline constexpr Setting<long> SplashDuration{"/SplashScreen/duration", 3};
// The main window's normal geometry; -1 lets the desktop place it.
inline constexpr Setting<long> FrameX{"/MainFrame/x", -1};
inline constexpr Setting<long> FrameY{"/MainFrame/y", -1};
inline constexpr Setting<long> FrameWidth{"/MainFrame/width", 240};
inline constexpr Setting<long> FrameHeight{"/MainFrame/height", 480};
inline constexpr Setting<bool> PopupOnlyFavorite{"/PopupDialog/onlyFavorite", false};
inline constexpr Setting<long> PopupDuration{"/PopupDialog/duration", 8};
inline constexpr Setting<bool> PopupsPaused{"/PopupDialog/paused", false};
// The favourites the site gave, each name followed by ","; lives only while the window does.
inline constexpr Setting<wxString> Favorites{"/favorites", ""};
// The site account; the password is kept here only when no keyring answers (AccountPassword).
inline constexpr Setting<wxString> Id{"/id", ""};
inline constexpr Setting<wxString> Password{"/password", ""};
inline constexpr Setting<bool> SignInAtStart{"/Preferences/signInAtStart", true};
// "popups" or "desktop" (the desktop's notification service).
inline constexpr Setting<wxString> NotificationStyle{"/Preferences/notificationStyle", "popups"};
// Daily quiet hours (minutes after midnight), a cool-down per performer, a mute until a time.
inline constexpr Setting<bool> QuietHours{"/Notifications/quietHours", false};
inline constexpr Setting<long> QuietFrom{"/Notifications/quietFrom", 22 * 60};
inline constexpr Setting<long> QuietTo{"/Notifications/quietTo", 7 * 60};
inline constexpr Setting<long> CoolDownMinutes{"/Notifications/coolDownMinutes", 0};
inline constexpr Setting<long> MutedUntil{"/Notifications/mutedUntil", 0};
// Days the performers' history is kept.
inline constexpr Setting<long> HistoryDays{"/History/keepDays", 90};
// The Favorite page's "Offline" group in the order the performers were last seen, latest first.
inline constexpr Setting<bool> SortOfflineByLastSeen{"/History/sortOfflineByLastSeen", false};

} // namespace Keys
