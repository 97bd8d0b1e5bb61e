#pragma once

#include <string>
#include <vector>

#include <wx/string.h>

#include "model/UserList.h"

class wxEvtHandler;

// The user's account on the site, without a window: the favourites and unread-mail requests,
// what their answers mean, and the addresses of the site's pages. The answers arrive as
// download-finished events on the receiver, whose id says which request they answer.
class SiteAccount {
public:
    // The ids of the answers' events.
    enum Request {
        kFavoritesRequest = 1, // Update Favorite once favourites are loaded
        kMailRequest = 2,
        kSignInRequest = 3,    // the quiet sign-in at start
        kLoginRequest = 4,     // right after the user answered the account dialog
    };

    static constexpr int kFavoritesTimeoutSeconds = 10;
    static constexpr int kMailTimeoutSeconds = 10;

    explicit SiteAccount(wxEvtHandler* receiver) : m_receiver(receiver) {}

    // The quiet sign-in with a stored account, when the user wants it; false when none started.
    bool SignInAtStart();
    // The user is about to type an account: a sign-in still under way answers for the old one.
    void LoginStarted() { m_signInSuperseded = true; }
    bool RequestFavorites(Request request);
    bool RequestMail();

    // What a favourites answer means.
    enum class Outcome {
        Ignored,       // an answer nobody waits for any more
        Failed,        // tell the user "Could not login."
        FailedQuietly, // nothing to tell
        Loaded,        // 'favorites' and "/favorites" hold the list
    };
    struct Favorites {
        Outcome outcome = Outcome::Ignored;
        UserList favorites; // each with its current status, 0 for those not on line
    };
    // 'body' is null when the request failed. 'online' is the site's current list.
    Favorites TakeFavorites(int request, const char* body, size_t length, bool loaded,
                            const UserList& online);

    // The favourite names of a favourites answer: the first run of letters and digits of each
    // line, each once, in the order met. The last line counts even without a line end.
    static std::vector<wxString> ParseFavorites(const std::string& body);
    // The leading number of the answer's first line; 0 when it has none.
    static int ParseUnreadCount(const std::string& body);
    // The address of a site command 6003 to 6009; empty for other ids.
    static wxString PageAddress(int id);

private:
    wxEvtHandler* m_receiver;
    bool m_signInSuperseded = false;
};
