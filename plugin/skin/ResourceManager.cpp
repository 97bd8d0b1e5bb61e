#include "skin/ResourceManager.h"

#include "skin/ImageHeader.h"

#include <memory>

#include <wx/config.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/fs_zip.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include "net/Util.h"

ResourceManager* ResourceManager::ms_instance = nullptr;

namespace {
// No skin part comes near this; a ZIP bomb's entry stops here.
constexpr size_t kMaxEntryBytes = 8u * 1024u * 1024u;

// Copies 'in' into 'out'; false when it holds more than 'limit' bytes.
bool ReadBounded(wxInputStream& in, wxMemoryOutputStream& out, size_t limit)
{
    char piece[16384];
    size_t total = 0;
    while (in.CanRead() && !in.Eof()) {
        in.Read(piece, sizeof piece);
        const size_t got = in.LastRead();
        if (got == 0)
            break;
        total += got;
        if (total > limit)
            return false;
        out.Write(piece, got);
    }
    return true;
}


struct ImageType {
    const char* extension;
    wxBitmapType type;
};

const ImageType kTypes[] = {
    {"bmp", wxBITMAP_TYPE_BMP}, {"ico", wxBITMAP_TYPE_ICO},  {"xpm", wxBITMAP_TYPE_XPM},
    {"jpg", wxBITMAP_TYPE_JPEG}, {"jpeg", wxBITMAP_TYPE_JPEG}, {"png", wxBITMAP_TYPE_PNG},
    {"gif", wxBITMAP_TYPE_GIF},
};

bool TypeOf(const wxString& extension, wxBitmapType& type)
{
    for (const ImageType& t : kTypes) {
        // Exact: "PNG" is not an image of the skin.
        if (extension == t.extension) {
            type = t.type;
            return true;
        }
    }
    return false;
}

void EnsureHandler(wxBitmapType type)
{
    if (wxImage::FindHandler(type))
        return;
    switch (type) {
    case wxBITMAP_TYPE_BMP: wxImage::AddHandler(new wxBMPHandler); break;
    case wxBITMAP_TYPE_ICO: wxImage::AddHandler(new wxICOHandler); break;
    case wxBITMAP_TYPE_XPM: wxImage::AddHandler(new wxXPMHandler); break;
    case wxBITMAP_TYPE_JPEG: wxImage::AddHandler(new wxJPEGHandler); break;
    case wxBITMAP_TYPE_PNG: wxImage::AddHandler(new wxPNGHandler); break;
    case wxBITMAP_TYPE_GIF: wxImage::AddHandler(new wxGIFHandler); break;
    default: break;
    }
}

} // namespace

ResourceManager* ResourceManager::GetInstance()
{
    if (!ms_instance)
        ms_instance = new ResourceManager(
            Util::SkinFileNameFor(Util::GetApplicationFileName()).GetFullPath());
    return ms_instance;
}

void ResourceManager::Release()
{
    delete ms_instance;
    ms_instance = nullptr;
}

ResourceManager::ResourceManager(const wxString& archivePath)
{
    m_images.reserve(100);
    // An earlier store's clean-up removed every file-system handler, the local one included.
    if (!wxFileSystem::HasHandlerForPath(archivePath))
        wxFileSystem::AddHandler(new wxLocalFSHandler);
    wxFileSystem::AddHandler(new wxZipFSHandler);
    Load(archivePath);
}

ResourceManager::~ResourceManager()
{
    if (ms_instance == this)
        ms_instance = nullptr;
    m_shared.clear();
    wxFileSystem::CleanUpHandlers();
    wxImage::CleanUpHandlers();
}

void ResourceManager::Load(const wxString& archivePath)
{
    if (!wxFileName::FileExists(archivePath))
        return;
    // A damaged skin is not worth a dialog: whatever cannot be read is simply missing.
    wxLogNull quiet;
    wxFileSystem fs;
    for (wxString found = fs.FindFirst(archivePath + "#zip:*", 0); !found.empty();
         found = fs.FindNext()) {
        wxString flat = found;
        flat.Replace("#zip:", "/", false);
        wxString name, extension;
        wxFileName::SplitPath(flat, nullptr, &name, &extension);
        wxBitmapType type;
        if (name.empty() || !TypeOf(extension, type))
            continue;
        EnsureHandler(type);

        std::unique_ptr<wxFSFile> file(fs.OpenFile(found));
        if (!file || !file->GetStream())
            continue; // listed but unreadable: skipped
        // A ZIP entry's stream cannot seek, so the content is read into memory before the
        // format is recognised from it; an entry that inflates beyond any skin part is skipped.
        wxMemoryOutputStream buffer;
        if (!ReadBounded(*file->GetStream(), buffer, kMaxEntryBytes))
            continue;
        wxImage image;
        const wxStreamBuffer* bytes = buffer.GetOutputStreamBuffer();
        if (ImageHeader::FitsWithin(bytes->GetBufferStart(), buffer.GetLength())) {
            wxMemoryInputStream in(buffer);
            image.LoadFile(in, wxBITMAP_TYPE_ANY); // invalid when undecodable
        }
        m_images[name] = image;
    }
}

wxConfigBase* ResourceManager::GetConfig()
{
    return wxConfigBase::Get();
}

wxBitmap ResourceManager::GetBitmap(const wxString& key)
{
    const wxImage& image = m_images[key];
    if (!image.IsOk())
        return wxBitmap();
    return wxBitmap(image, -1);
}

wxIcon ResourceManager::GetIcon(const wxString& key)
{
    wxIcon icon;
    wxBitmap bitmap = GetBitmap(key);
    if (bitmap.IsOk())
        icon.CopyFromBitmap(bitmap);
    return icon;
}

const wxBitmap& ResourceManager::GetSharedBitmap(const wxString& key)
{
    return GetSharedBitmap(key, [&] { return GetBitmap(key); });
}

const wxBitmap& ResourceManager::GetSharedBitmap(const wxString& id, const std::function<wxBitmap()>& make)
{
    auto it = m_shared.find(id);
    if (it == m_shared.end())
        it = m_shared.emplace(id, make()).first;
    return it->second;
}
