#include "site/SiteAccount.h"

#include <cstdlib>
#include <unordered_set>

#include <wx/regex.h>
#include <wx/url.h>

#include "app/AccountPassword.h"
#include "app/CommandIds.h"
#include "app/Keys.h"
#include "app/Settings.h"
#include "net/DownloadThread.h"
#include "net/Url.h"
#include "net/wxHTTP2.h"
#include "site/MemoryLineSource.h"

bool SiteAccount::SignInAtStart()
{
    if (!Keys::SignInAtStart.Read() || Keys::Id.Read().empty())
        return false;
    m_signInSuperseded = false;
    return RequestFavorites(kSignInRequest);
}

bool SiteAccount::RequestFavorites(Request request)
{
    const wxString user = Keys::Id.Read();
    const wxString password = AccountPassword::Get();
    // Escaped, so that "&", "#", "%" or a blank in the account reach the site intact.
    const wxString address = Settings::HostUrl(
        Settings::Host::Main,
        wxString::Format("/cgi-bin/favorite.cgi?username=%s&password=%s",
                         Url::EncodeQueryValue(user), Url::EncodeQueryValue(password)));
    auto* http = new wxHTTP2;
    http->SetUser(user);
    http->SetPassword(password);
    // A site that accepts and never answers gets "Could not login." as any other failure.
    http->SetTimeout(kFavoritesTimeoutSeconds);
    return DownloadThread::Start(new DownloadThread(m_receiver, request, new wxURL(address), http));
}

bool SiteAccount::RequestMail()
{
    HttpRequest request;
    request.url = Settings::HostUrl(
        Settings::Host::Main,
        wxString::Format("/fast-cgi/get_unread.fcgi?username=%s", Url::EncodeQueryValue(Keys::Id.Read())));
    request.timeoutSeconds = kMailTimeoutSeconds;
    return DownloadThread::Start(new DownloadThread(m_receiver, kMailRequest, request));
}

SiteAccount::Favorites SiteAccount::TakeFavorites(int request, const char* body, size_t length,
                                                  bool loaded, const UserList& online)
{
    Favorites result;
    // Made with the account the user has replaced since: the user's own login decides.
    if (request == kSignInRequest && m_signInSuperseded)
        return result;
    if (!body) {
        // The user's own login is always answered; the other requests as before any success.
        const bool tell = request == kLoginRequest || (!loaded && request != kSignInRequest);
        result.outcome = tell ? Outcome::Failed : Outcome::FailedQuietly;
        return result;
    }
    wxString joined;
    for (const wxString& name : ParseFavorites(std::string(body, length))) {
        joined += name + ",";
        const User* user = online.FindUser(name);
        result.favorites.AddUser(user ? *user : User(name, 0));
    }
    Keys::Favorites.Write(joined);
    result.outcome = Outcome::Loaded;
    return result;
}

std::vector<wxString> SiteAccount::ParseFavorites(const std::string& body)
{
    std::vector<wxString> names;
    std::unordered_set<wxString, WxStringHasher> seen;
    wxRegEx word("([[:alnum:]]+)", wxRE_EXTENDED);
    MemoryLineSource source(body);
    wxString line;
    for (;;) {
        const bool more = source.ReadLine(line);
        if (word.Matches(line)) {
            const wxString name = word.GetMatch(line, 1);
            if (seen.insert(name).second)
                names.push_back(name);
        }
        if (!more)
            break;
    }
    return names;
}

int SiteAccount::ParseUnreadCount(const std::string& body)
{
    const std::string firstLine = body.substr(0, body.find_first_of("\r\n"));
    return std::atoi(firstLine.c_str());
}

wxString SiteAccount::PageAddress(int id)
{
    using H = Settings::Host;
    switch (id) {
    case ID_SITE_TOP: return Settings::HostUrl(H::Main, wxString());
    case ID_SITE_MAILBOX: return Settings::HostUrl(H::Mail, wxString());
    case ID_SITE_FANCLUB: return Settings::HostUrl(H::FanClub, wxString());
    case ID_SITE_MYQO: return Settings::HostUrl(H::Main, "/myqo.shtml");
    case ID_SITE_MYQO_FAVOURITES: return Settings::HostUrl(H::Main, "/viewers/myqo_favourites.html");
    case ID_SITE_FAV: return Settings::HostUrl(H::Main, "/fast-cgi/viewers/fav.fcgi");
    case ID_SITE_JOIN: return Settings::HostUrl(H::Main, "/join.html");
    default: return wxString();
    }
}
