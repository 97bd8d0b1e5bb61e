#pragma once

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

    size_t GetImageCount() const { return m_images.size(); }
    bool HasImage(const wxString& key) const { return m_images.count(key) != 0; }
    // Changes with every Load: what was drawn from the skin before is out of date.
    unsigned GetGeneration() const { return m_generation; }

private:
    void Load(const wxString& archivePath);

    static ResourceManager* ms_instance;
    std::unordered_map<wxString, wxImage> m_images;
    unsigned m_generation = 0;
    std::unordered_map<wxString, wxBitmap> m_shared;
};
