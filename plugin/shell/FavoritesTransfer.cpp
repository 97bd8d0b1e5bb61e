#include "shell/FavoritesTransfer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "app/CommandIds.h"
#include "app/MainFrameLink.h"
#include "app/MessageBoxSeam.h"
#include "views/LocalFavorites.h"

namespace {
// Far more names than anyone follows; a bigger file is not a list of favourites.
constexpr size_t kMaxImport = 1 << 20;

wxString Reason(int error)
{
    return wxString::FromUTF8(std::strerror(error));
}

wxString CannotRead(const wxString& path, const wxString& why)
{
    return wxString::Format(_("Could not read \"%s\": %s"), wxFileName(path).GetFullName(), why);
}
} // namespace

wxString FavoritesTransfer::ImportFrom(const wxString& path, bool* ok)
{
    if (ok)
        *ok = false;
    const int fd = ::open(path.fn_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return CannotRead(path, Reason(errno));
    std::string bytes;
    char buffer[16384];
    ssize_t got = 0;
    while (bytes.size() <= kMaxImport && (got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(got));
    const int readError = errno;
    ::close(fd);
    if (got < 0)
        return CannotRead(path, Reason(readError));
    if (bytes.size() > kMaxImport)
        return CannotRead(path, _("it is larger than 1 MB"));
    const wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        return CannotRead(path, _("it is not a text file in UTF-8"));

    const FavoriteList::Imported counts = LocalFavorites::Get().Import(text);
    if (counts.added > 0) {
        LocalFavorites::Save();
        MainFrameLink::PostCommand(ID_FAVORITES_CHANGED);
    }
    if (ok)
        *ok = true;
    wxString message = wxString::Format(_("Favorites added: %d. Already followed: %d."), counts.added, counts.known);
    if (counts.skipped > 0)
        message << "\n" << wxString::Format(_("Lines skipped (not a performer's name): %d."), counts.skipped);
    return message;
}

wxString FavoritesTransfer::ExportTo(const wxString& path, bool* ok)
{
    if (ok)
        *ok = false;
    const wxString text = LocalFavorites::Get().Serialize();
    const wxScopedCharBuffer bytes = text.utf8_str(); // points into 'text'
    const int fd = ::open(path.fn_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.length()) == static_cast<ssize_t>(bytes.length());
    int error = errno;
    if (fd >= 0 && ::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written)
        return wxString::Format(_("Could not write \"%s\": %s"), wxFileName(path).GetFullName(), Reason(error));
    if (ok)
        *ok = true;
    return wxString::Format(_("Favorites exported: %d."), static_cast<int>(LocalFavorites::Get().size()));
}

namespace {
// Asks for the file, does the work and tells its outcome under the dialog's title.
void Transfer(wxWindow* parent, const wxString& title, const wxString& name, long style,
              wxString (*work)(const wxString&, bool*))
{
    wxFileDialog dialog(parent, title, wxString(), name, _("Text files (*.txt)|*.txt|All files|*"), style);
    if (dialog.ShowModal() != wxID_OK)
        return;
    bool ok = false;
    const wxString message = work(dialog.GetPath(), &ok);
    MessageBoxSeam::Show(message, title, wxOK | wxCENTRE | (ok ? wxICON_INFORMATION : wxICON_ERROR));
}
} // namespace

void FavoritesTransfer::Import(wxWindow* parent)
{
    Transfer(parent, _("Import Favorites"), wxString(), wxFD_OPEN | wxFD_FILE_MUST_EXIST, &ImportFrom);
}

void FavoritesTransfer::Export(wxWindow* parent)
{
    Transfer(parent, _("Export Favorites"), "favorites.txt", wxFD_SAVE | wxFD_OVERWRITE_PROMPT, &ExportTo);
}
