#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/file.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/stdpaths.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include "net/Util.h"
#include "site/TabunoSite.h"
#include "skin/ResourceManager.h"

namespace {

// A store's clean-up removes every image handler; the encoders are put back as needed.
void EnsureEncoders()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxInitAllImageHandlers();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_BMP))
        wxImage::AddHandler(new wxBMPHandler);
}

std::string Encode(int width, int height, wxBitmapType type, unsigned char red = 200)
{
    EnsureEncoders();
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), red, 40, 90);
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type));
    std::string bytes(out.GetSize(), '\0');
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

class SkinArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = wxFileName::CreateTempFileName("sorvik-skin");
        wxRemoveFile(path);
        path += ".skin";
    }
    void TearDown() override { wxRemoveFile(path); }

    // Entries in this order, as the archive will list them.
    void Write(const std::vector<std::pair<std::string, std::string>>& entries)
    {
        wxFFileOutputStream file(path);
        wxZipOutputStream zip(file);
        for (const auto& e : entries) {
            zip.PutNextEntry(wxString::FromUTF8(e.first));
            zip.Write(e.second.data(), e.second.size());
        }
        ASSERT_TRUE(zip.Close());
    }

    wxString path;
};

} // namespace

TEST_F(SkinArchiveTest, JpgAndJpegBothLoadAndTheLaterWins)
{
    Write({{"a.jpg", Encode(4, 4, wxBITMAP_TYPE_JPEG)}, {"a.jpeg", Encode(5, 7, wxBITMAP_TYPE_JPEG)}});
    ResourceManager skin(path);
    EXPECT_EQ(skin.GetImageCount(), 1u);
    wxBitmap a = skin.GetBitmap("a");
    ASSERT_TRUE(a.IsOk());
    EXPECT_EQ(a.GetWidth(), 5);
    EXPECT_EQ(a.GetHeight(), 7);
}

TEST_F(SkinArchiveTest, OnlyExactLowerCaseImageExtensionsCount)
{
    Write({{"a.PNG", Encode(3, 3, wxBITMAP_TYPE_PNG)}, {"a.txt", "hello"},
           {"b.png", Encode(3, 3, wxBITMAP_TYPE_PNG)}, {"c.bmp", Encode(6, 2, wxBITMAP_TYPE_BMP)},
           {"c.png", Encode(2, 6, wxBITMAP_TYPE_PNG)}});
    ResourceManager skin(path);
    EXPECT_FALSE(skin.GetBitmap("a").IsOk());
    EXPECT_TRUE(skin.GetBitmap("b").IsOk());
    wxBitmap c = skin.GetBitmap("c");
    ASSERT_TRUE(c.IsOk());
    EXPECT_EQ(c.GetWidth(), 2) << "the entry listed later wins";
}

TEST_F(SkinArchiveTest, ContentDecidesTheFormatNotTheExtension)
{
    Write({{"logo.gif", Encode(9, 4, wxBITMAP_TYPE_PNG)}});
    ResourceManager skin(path);
    wxBitmap logo = skin.GetBitmap("logo");
    ASSERT_TRUE(logo.IsOk());
    EXPECT_EQ(logo.GetWidth(), 9);
}

TEST_F(SkinArchiveTest, MissingKeysCorruptEntriesAndEmptyArchives)
{
    Write({{"broken.png", "\x89PNG not really"}, {"icon.png", Encode(16, 16, wxBITMAP_TYPE_PNG)}});
    {
        ResourceManager skin(path);
        EXPECT_TRUE(skin.HasImage("broken"));
        EXPECT_FALSE(skin.GetBitmap("broken").IsOk());
        EXPECT_FALSE(skin.GetBitmap("nothing").IsOk());
        EXPECT_FALSE(skin.GetBitmap("nothing").IsOk()) << "asked twice";
        EXPECT_FALSE(skin.GetIcon("nothing").IsOk());
        EXPECT_TRUE(skin.GetIcon("icon").IsOk());
    }
    Write({});
    {
        ResourceManager skin(path);
        EXPECT_EQ(skin.GetImageCount(), 0u);
    }
    {
        ResourceManager skin(path + ".missing");
        EXPECT_EQ(skin.GetImageCount(), 0u);
        EXPECT_FALSE(skin.GetBitmap("SplashScreen_bitmap").IsOk());
    }
}

namespace {
class CountingLog : public wxLog {
public:
    int records = 0;

protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override { ++records; }
};
} // namespace

TEST_F(SkinArchiveTest, ADamagedArchiveIsAnEmptyStoreWithoutComplaint)
{
    Write({{"a.png", Encode(3, 3, wxBITMAP_TYPE_PNG)}, {"b.png", Encode(3, 3, wxBITMAP_TYPE_PNG)}});
    {
        wxFile file(path, wxFile::read_write);
        file.Write("garbage-garbage-garbage", 23);
    }
    CountingLog* log = new CountingLog;
    wxLog* previous = wxLog::SetActiveTarget(log);
    {
        ResourceManager skin(path);
        EXPECT_FALSE(skin.GetBitmap("a").IsOk());
    }
    wxLog::SetActiveTarget(previous);
    EXPECT_EQ(log->records, 0) << "a log record would pop up a dialog in the host";
    delete log;
}

TEST(ShippedSkinTest, HoldsEveryKeyAtItsSize)
{
    const std::map<std::string, std::pair<int, int>> expected = {
        {"SplashScreen_bitmap", {400, 240}},
        {"SplashScreen_bitmap_blank", {400, 240}},
        {"Application_icon", {32, 32}},
        {"UserListTreeCtrl_onlineGroupIcon", {16, 16}},
        {"UserListTreeCtrl_offlineGroupIcon", {16, 16}},
        {"UserListTreeCtrl_freeIcon", {16, 16}},
        {"UserListTreeCtrl_busyIcon", {16, 16}},
        {"UserListTreeCtrl_offlineIcon", {16, 16}},
        {"PopupDialog_titleBar", {144, 18}},
        {"PopupDialog_styleBar_ONLINE", {144, 12}},
        {"PopupDialog_styleBar_FREE", {144, 12}},
        {"PopupDialog_styleBar_ONLINE_blank", {144, 12}},
        {"PopupDialog_styleBar_FREE_blank", {144, 12}},
        {"PopupDialog_profileImage", {107, 82}},
        {"PopupDialog_contentPanel", {150, 120}},
    };
    ResourceManager skin(SORVIK_SKIN_PATH);
    EXPECT_EQ(skin.GetImageCount(), expected.size());
    for (const auto& e : expected) {
        wxBitmap bitmap = skin.GetBitmap(e.first);
        ASSERT_TRUE(bitmap.IsOk()) << e.first;
        EXPECT_EQ(bitmap.GetWidth(), e.second.first) << e.first;
        EXPECT_EQ(bitmap.GetHeight(), e.second.second) << e.first;
    }
    EXPECT_TRUE(skin.GetIcon("Application_icon").IsOk());
}

TEST(SkinLifetimeTest, TheSiteModulesCleanUpReleasesTheStore)
{
    ResourceManager::GetInstance();
    ASSERT_TRUE(ResourceManager::HasInstance());
    TabunoSite site;
    site.OnExit();
    EXPECT_FALSE(ResourceManager::HasInstance());
}

