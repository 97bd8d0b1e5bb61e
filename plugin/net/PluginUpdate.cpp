#include "net/PluginUpdate.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include <wx/ffile.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#include "app/CatalogueCheck.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "app/UiDispatcher.h"
#include "net/HttpClient.h"
#include "net/ReleaseStatement.h"
#include "net/Util.h"
#include "net/Version.h"

namespace {

// A plug-in built with debugging information is a few tens of megabytes.
constexpr size_t kMaxFileBytes = 256u * 1024u * 1024u;
// As the skin store reads them.
constexpr size_t kMaxSkinEntryBytes = 8u * 1024u * 1024u;
constexpr unsigned long long kMaxCatalogueBytes = 16u * 1024u * 1024u;

bool WriteFile(const wxString& path, const std::string& body)
{
    wxLogNull quiet; // an unwritable folder fails the download, without a dialog
    wxFFile file(path, "wb");
    if (!file.IsOpened())
        return false;
    const bool written = body.empty() || file.Write(body.data(), body.size()) == body.size();
    return file.Close() && written;
}

// Without a log record: the host would show it in a dialog.
void RemoveQuietly(const wxString& path)
{
    wxLogNull quiet;
    if (wxFileName::FileExists(path))
        wxRemoveFile(path);
}

} // namespace

// A skin archive cut short or damaged would leave the program without its pictures.
std::string PluginUpdate::SkinProblem(const wxString& path)
{
    wxLogNull quiet;
    wxFFileInputStream file(path);
    if (!file.IsOk())
        return "unreadable";
    wxZipInputStream zip(file);
    int entries = 0;
    char piece[16384];
    while (std::unique_ptr<wxZipEntry> entry{zip.GetNextEntry()}) {
        size_t total = 0;
        while (zip.CanRead()) {
            zip.Read(piece, sizeof piece);
            total += zip.LastRead();
            if (zip.LastRead() == 0 || total > kMaxSkinEntryBytes)
                break;
        }
        // The toolkit checks each entry's checksum as its end is read.
        if (total > kMaxSkinEntryBytes || (zip.GetLastError() != wxSTREAM_NO_ERROR && zip.GetLastError() != wxSTREAM_EOF))
            return "damaged (entry " + std::string(entry->GetName().utf8_str()) + ")";
        ++entries;
    }
    if (zip.GetLastError() != wxSTREAM_NO_ERROR && zip.GetLastError() != wxSTREAM_EOF)
        return "not a whole archive";
    return entries > 0 ? std::string() : "not a skin archive";
}

namespace {

std::string CatalogueProblem(const wxString& path)
{
    wxLogNull quiet;
    wxFFile file(path, "rb");
    const wxFileOffset length = file.IsOpened() ? file.Length() : -1;
    if (length < 0 || static_cast<unsigned long long>(length) > kMaxCatalogueBytes)
        return "unreadable or too large";
    std::string bytes(static_cast<size_t>(length), '\0');
    if (file.Read(bytes.data(), bytes.size()) != bytes.size())
        return "unreadable";
    const std::string problem = CatalogueCheck::Problem(bytes);
    return problem.empty() ? problem : "a catalogue " + problem;
}

} // namespace

wxString PluginUpdate::VersionIn(const std::string& bytes)
{
    static const char mark[] = SORVIK_VERSION_MARK;
    const size_t markLength = sizeof mark - 1;
    // The bare mark (a reader's own, as here) carries no version and is passed over.
    for (size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) {
        std::string version;
        for (size_t i = at + markLength; i < bytes.size() && version.size() < 32; ++i) {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            if (!std::isalnum(c) && c != '.' && c != '-' && c != '+' && c != '~')
                break;
            version += static_cast<char>(c);
        }
        if (!version.empty())
            return wxString::FromAscii(version.c_str());
    }
    return wxString();
}

wxString PluginUpdate::SkinPath(const wxFileName& application)
{
    return Util::SkinFileNameFor(application).GetFullPath();
}

wxString PluginUpdate::CataloguePath(const wxFileName& application)
{
    wxFileName catalogue(application.GetPathWithSep() + "ja/LC_MESSAGES/" + application.GetName() + ".mo");
    return catalogue.GetFullPath();
}

wxString PluginUpdate::ManifestPath(const wxFileName& application)
{
    return application.GetFullPath() + ".manifest";
}

void PluginUpdate::InstallPendingFiles(const wxFileName& application)
{
    const struct {
        wxString path;
        std::string (*problem)(const wxString&);
    } companions[] = {{SkinPath(application), &SkinProblem},
                      {CataloguePath(application), &CatalogueProblem},
                      {ManifestPath(application), nullptr}};
    for (const auto& companion : companions) {
        const wxString pending = companion.path + ".new";
        if (!wxFileName::FileExists(pending))
            continue;
        // A damaged download never replaces a working file: it is dropped, in one line.
        if (const std::string problem = companion.problem ? companion.problem(pending) : std::string();
            !problem.empty()) {
            std::fprintf(stderr, "sorvik: the downloaded %s is %s: not installed, the one in use stays\n",
                         static_cast<const char*>(pending.utf8_str()), problem.c_str());
            RemoveQuietly(pending);
            continue;
        }
        wxLogNull quiet; // a failure leaves both for the next call
        wxRenameFile(pending, companion.path, true);
    }
}

namespace {

enum class Fetched { File, NotAFile, TooLarge };

// A whole "application/octet-stream" answer of at most 'most' bytes, its Content-Length
// matching what came.
Fetched FetchFile(const wxString& url, size_t most, std::string& body)
{
    HttpRequest request;
    request.url = url;
    request.timeoutSeconds = PluginUpdate::kTimeoutSeconds;
    request.maxBodyBytes = most;
    HttpResponse response = HttpClient::Get(request);
    if (response.failure == HttpFailure::TooLarge)
        return Fetched::TooLarge;
    // A cut-short or refused answer is no file, whatever its headers say.
    if (!response.IsSuccess() || response.Header("content-type") != "application/octet-stream")
        return Fetched::NotAFile;
    // An absent Content-Length counts as 0.
    if (std::atoll(response.Header("content-length").c_str()) != static_cast<long long>(response.body.size()))
        return Fetched::NotAFile;
    body = std::move(response.body);
    return Fetched::File;
}

// One line, and nothing of the offer kept.
bool Refuse(const wxString& offered, const std::string& why)
{
    std::fprintf(stderr, "sorvik: update %s refused: %s\n",
                 offered.empty() ? "on offer" : static_cast<const char*>(offered.utf8_str()), why.c_str());
    return false;
}

} // namespace

bool PluginUpdate::DownloadToFile(const wxString& url, const wxString& path, std::string* kept)
{
    std::string body;
    if (FetchFile(url, kMaxFileBytes, body) != Fetched::File)
        return false;
    if (!WriteFile(path, body) || wxFileName::GetSize(path) != wxULongLong(body.size())) {
        RemoveQuietly(path);
        return false;
    }
    if (kept)
        *kept = std::move(body);
    return true;
}

std::string PluginUpdate::CheckOffer(const std::string& plugin, const wxString& carried,
                                     const std::string& statementText, const Version& running,
                                     ReleaseStatement& statement)
{
    if (statementText.empty())
        return "no signed statement";
    if (std::string why = ReleaseStatement::Parse(statementText, statement); !why.empty())
        return why;
    if (std::string why = statement.Verify(ReleaseStatement::BuiltInKeys(), std::time(nullptr)); !why.empty())
        return why;
    const wxString named = wxString::FromUTF8(statement.VersionText());
    if (!Version(named).IsNewerThan(running))
        return "its statement names " + statement.VersionText() + ", not newer than the running " +
               std::string(running.GetString().utf8_str());
    if (std::string why = statement.Matches("plugin", plugin); !why.empty())
        return why;
    // Signed bytes of another version would still be another release's.
    if (!carried.empty() && carried != named)
        return "the plug-in says it is " + std::string(carried.utf8_str()) + ", its statement " +
               statement.VersionText();
    return std::string();
}

bool PluginUpdate::Check(const wxFileName& application, const Version& version, wxFileName& newPlugin)
{
    InstallPendingFiles(application);

    const wxString address = Settings::HostUrl(
        Settings::Host::Main, "/cgi-bin/app/update.cgi?version=" + version.GetString());
    newPlugin = wxFileName(Util::PluginFileNameFor(application).GetFullPath() + ".new");
    const wxString newPath = newPlugin.GetFullPath();
    std::string plugin;
    switch (FetchFile(address, kMaxFileBytes, plugin)) {
    case Fetched::TooLarge:
        return Refuse(wxString(), "the plug-in is larger than 256 MB");
    case Fetched::NotAFile:
        return false; // no update
    case Fetched::File:
        break;
    }
    const wxString offered = VersionIn(plugin);

    // Only bytes a built-in key vouches for are written, asked about or loaded.
    std::string statementText;
    ReleaseStatement statement;
    switch (FetchFile(address + "&type=signature", ReleaseStatement::kMaxBytes, statementText)) {
    case Fetched::TooLarge:
        return Refuse(offered, "its statement is larger than 64 KB");
    case Fetched::NotAFile:
        statementText.clear();
        break;
    case Fetched::File:
        break;
    }
    if (const std::string why = CheckOffer(plugin, offered, statementText, version, statement); !why.empty())
        return Refuse(offered, why);
    if (!WriteFile(newPath, plugin)) {
        RemoveQuietly(newPath);
        return false;
    }
    plugin = std::string();

    int answer = wxNO;
    // Which version: a user asked to install something deserves to know what.
    wxString message = _("The new plugin will be installed.");
    if (!offered.empty())
        message = wxString::Format(_("Sorvik Statuscope %s is available; you have %s."), offered,
                                   version.GetString()) +
                  "\n" + message;
    const wxString caption = _("Confirm");
    UiDispatcher::RunAndWait(
        [&] { answer = MessageBoxSeam::Show(message, caption, wxYES_NO | wxCENTRE | wxICON_INFORMATION); },
        {});
    if (answer != wxYES) {
        RemoveQuietly(newPath);
        return false;
    }

    const wxFileName catalogue(CataloguePath(application));
    {
        wxLogNull quiet;
        if (!wxFileName::DirExists(catalogue.GetPath()))
            wxFileName::Mkdir(catalogue.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    }
    const std::pair<const char*, wxString> companions[] = {
        {"skin", SkinPath(application) + ".new"},
        {"mo", catalogue.GetFullPath() + ".new"},
        {"manifest", ManifestPath(application) + ".new"}};
    std::vector<wxString> written{newPath};
    for (const auto& [type, path] : companions) {
        // A companion that does not come stays as it is; one that comes other than signed
        // means the whole offer is not the release it claims to be.
        std::string body;
        const Fetched fetched = FetchFile(address + "&type=" + type, statement.File(type)->size, body);
        if (fetched == Fetched::NotAFile)
            continue;
        if (const std::string why = fetched == Fetched::TooLarge
                                        ? std::string("the ") + type + " is larger than its statement says"
                                        : statement.Matches(type, body);
            !why.empty()) {
            for (const wxString& done : written)
                RemoveQuietly(done);
            return Refuse(offered, why);
        }
        if (WriteFile(path, body))
            written.push_back(path);
        else
            RemoveQuietly(path);
    }
    return true;
}
