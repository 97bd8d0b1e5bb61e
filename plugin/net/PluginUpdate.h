#pragma once

#include <string>

#include <wx/filename.h>
#include <wx/string.h>

class ReleaseStatement;
class Version;

// Every plug-in carries this, followed by its version, in its read-only data (a what(1)
// string): the update names the version it offers before asking.
#define SORVIK_VERSION_MARK "@(#)Sorvik Statuscope plug-in "

// The plug-in's self-update: asks the site for a newer plug-in and its signed statement, writes
// it beside the current one under a ".new" name once a built-in key vouches for its bytes and,
// once the user agrees, the skin, catalogue and manifest that go with it, each checked against
// the statement; those are moved into place at the start of the next check. A refused offer
// leaves nothing behind and says why in one line on stderr.
class PluginUpdate {
public:
    // Installs pending companions, asks for an update and, on the user's Yes, fetches the
    // companions. True when 'newPlugin' names a downloaded plug-in the host should put in place.
    // Any thread; the confirmation box is shown on the user-interface thread.
    static bool Check(const wxFileName& application, const Version& version, wxFileName& newPlugin);

    // Empty when 'plugin' (which says it is 'carried', VersionIn) and its statement make a
    // release newer than 'running' that a built-in key signed ('statement' then holds it);
    // otherwise why not.
    static std::string CheckOffer(const std::string& plugin, const wxString& carried,
                                  const std::string& statementText, const Version& running,
                                  ReleaseStatement& statement);

    // Renames each pending companion ("<file>.new") over its file, skin first; a skin archive
    // or catalogue that does not read whole is removed instead, with one line on stderr.
    static void InstallPendingFiles(const wxFileName& application);

    // Fetches 'url' into 'path' when the answer is a whole "application/octet-stream" file
    // whose Content-Length matches what was written; a download that fails after writing
    // removes what it wrote.
    // 'kept', when given, takes the body that was written.
    static bool DownloadToFile(const wxString& url, const wxString& path, std::string* kept = nullptr);

    // Empty when the skin archive at 'path' reads whole (every entry within bounds and with its
    // checksum); otherwise why not.
    static std::string SkinProblem(const wxString& path);

    // The version a plug-in's bytes carry after its mark; empty when they have none.
    static wxString VersionIn(const std::string& bytes);

    static wxString SkinPath(const wxFileName& application);
    static wxString CataloguePath(const wxFileName& application);
    static wxString ManifestPath(const wxFileName& application);

    static constexpr int kTimeoutSeconds = 5;
};
