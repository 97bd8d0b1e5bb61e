#pragma once

#include <functional>
#include <unordered_map>

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/string.h>

class wxConfigBase;

// The skin: every named image of the skin archive beside the host, decoded once.
// User-interface thread only.
class ResourceManager {
public:
    // Loads the archive at the first call.
    static ResourceManager* GetInstance();
    // Deletes the instance, if any (the site module's clean-up).
    static void Release();
    static bool HasInstance() { return ms_instance != nullptr; }

    // Loads the archive at 'archivePath'; a missing or unreadable one gives an empty store.
    explicit ResourceManager(const wxString& archivePath);
    ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    wxConfigBase* GetConfig();
    // Not Ok() for a key that is not stored.
    wxBitmap GetBitmap(const wxString& key);
    wxIcon GetIcon(const wxString& key);
    // One bitmap per key made once and shared until the store goes (for painting backgrounds).
    const wxBitmap& GetSharedBitmap(const wxString& key);
    // The same for a picture drawn from the skin: 'make' runs at the first call for 'id'.
    const wxBitmap& GetSharedBitmap(const wxString& id, const std::function<wxBitmap()>& make);

    size_t GetImageCount() const { return m_images.size(); }
    bool HasImage(const wxString& key) const { return m_images.count(key) != 0; }

private:
    void Load(const wxString& archivePath);

    static ResourceManager* ms_instance;
    std::unordered_map<wxString, wxImage> m_images;
    std::unordered_map<wxString, wxBitmap> m_shared;
};
