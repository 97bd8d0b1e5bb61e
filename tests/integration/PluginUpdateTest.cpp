#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/mstream.h>
#include <wx/thread.h>
#include <wx/zipstrm.h>

#include "EventPump.h"
#include "QuietSite.h"
#include "SiteSimulator.h"
#include "app/MessageBoxSeam.h"
#include "app/Settings.h"
#include "net/PluginUpdate.h"
#include "net/Version.h"

namespace fs = std::filesystem;

namespace {

// Answers every connection with the same raw bytes: for headers the simulated site would not
// send.
class CannedServer {
public:
    explicit CannedServer(std::string answer) : m_answer(std::move(answer))
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_fd, 8);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CannedServer()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    wxString HostPort() const { return wxString::Format("127.0.0.1:%d", m_port); }
    int Requests() const { return m_requests; }

private:
    void Serve()
    {
        while (!m_stop) {
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0)
                return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(n));
            }
            ++m_requests;
            ::send(client, m_answer.data(), m_answer.size(), MSG_NOSIGNAL);
            ::close(client);
        }
    }

    std::string m_answer;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Put(const fs::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// A skin archive of one entry holding 'text'.
std::string Zip(const std::string& text)
{
    wxMemoryOutputStream memory;
    {
        wxZipOutputStream zip(memory, 0); // stored: a changed byte is a changed text
        zip.PutNextEntry("Application_icon.png");
        zip.Write(text.data(), text.size());
        zip.Close();
    }
    std::string bytes(memory.GetLength(), '\0');
    memory.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

// A catalogue with its header entry only, which says 'text'.
std::string Catalogue(const std::string& text)
{
    const auto word = [](std::string& out, uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); };
    std::string mo;
    for (uint32_t value : {0x950412deu, 0u, 1u, 28u, 36u, 0u, 0u, 0u, 44u})
        word(mo, value);
    word(mo, static_cast<uint32_t>(text.size()));
    word(mo, 45u);
    return mo + '\0' + text + '\0';
}

class PluginUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* key = std::getenv("SORVIK_SIGNING_KEY");
        signing = key && *key;
        sim = StartQuietSite();
        ASSERT_TRUE(sim);
        sim->SetUpdate("1.4.0", {{"", "new plug-in"}, {"skin", skin}, {"mo", catalogue},
                                 {"manifest", "new manifest"}});
        std::string dir = (fs::temp_directory_path() / "sorvik-update-XXXXXX").string();
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        this->dir = dir;
        application = wxFileName(wxString::FromUTF8(dir + "/host"));
        MessageBoxSeam::SetResponder([this](const wxString& message, const wxString& caption, long style) {
            EXPECT_TRUE(wxIsMainThread()) << "boxes belong to the user-interface thread";
            EXPECT_EQ(style, wxYES_NO | wxCENTRE | wxICON_INFORMATION);
            boxes.push_back(message + "|" + caption);
            return answer;
        });
    }
    void TearDown() override
    {
        MessageBoxSeam::SetResponder({});
        fs::remove_all(dir);
    }

    bool Check(const char* version = "1.3.0")
    {
        return PluginUpdate::Check(application, Version(version), newPlugin);
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.is_regular_file())
                names.push_back(fs::relative(entry.path(), dir).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> UpdateQueries() const
    {
        std::vector<std::string> queries;
        for (const auto& r : sim->RequestsFor("/cgi-bin/app/update.cgi"))
            queries.push_back(r.query);
        return queries;
    }

    std::unique_ptr<sitesim::SiteSimulator> sim;
    // Whether the site can sign what it offers: only a build with a throw-away key lets it.
    bool signing = false;
    std::string dir;
    wxFileName application;
    wxFileName newPlugin;
    std::vector<wxString> boxes;
    int answer = wxYES;
    const std::string skin = Zip("new skin");
    const std::string catalogue = Catalogue("new catalogue");
};

// An update only this build's throw-away key can sign.
#define REQUIRE_SIGNING()                                                                          \
    if (!signing)                                                                                  \
    GTEST_SKIP() << "this build trusts the release keys only (configure with SORVIK_UPDATE_KEYS=throwaway)"

} // namespace

TEST_F(PluginUpdateTest, CompanionNamesFollowTheApplicationFile)
{
    EXPECT_EQ(PluginUpdate::SkinPath(application), wxString::FromUTF8(dir + "/host.skin"));
    EXPECT_EQ(PluginUpdate::CataloguePath(application),
              wxString::FromUTF8(dir + "/ja/LC_MESSAGES/host.mo"));
    EXPECT_EQ(PluginUpdate::ManifestPath(application), wxString::FromUTF8(dir + "/host.manifest"));
}

TEST_F(PluginUpdateTest, TheQuestionNamesTheVersionTheOfferedPluginCarries)
{
    REQUIRE_SIGNING();
    // The mark deep in a large file, as in a real plug-in's read-only data.
    std::string plugin(1024 * 1024 - 10, '\x7f');
    plugin += std::string(SORVIK_VERSION_MARK "1.4.0") + '\0' + std::string(5000, 'z');
    sim->SetUpdate("1.4.0", {{"", plugin}});
    answer = wxNO;
    EXPECT_FALSE(Check());
    EXPECT_EQ(boxes, std::vector<wxString>{"Sorvik Statuscope 1.4.0 is available; you have 1.3.0.\n"
                                           "The new plugin will be installed.|Confirm"});
}

TEST_F(PluginUpdateTest, NoUpdateOnOfferWritesNothingAndAsksNothing)
{
    sim->SetUpdate("1.3.0", {{"", "same"}});
    EXPECT_FALSE(Check());
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(UpdateQueries(), std::vector<std::string>{"version=1.3.0"});
}

TEST_F(PluginUpdateTest, YesFetchesTheCompanionsAsPendingFiles)
{
    REQUIRE_SIGNING();
    ASSERT_TRUE(Check());
    EXPECT_EQ(newPlugin.GetFullPath(), wxString::FromUTF8(dir + "/host.so.new"));
    EXPECT_EQ(boxes, std::vector<wxString>{"The new plugin will be installed.|Confirm"});
    EXPECT_EQ(Slurp(dir + "/host.so.new"), "new plug-in");
    EXPECT_EQ(Slurp(dir + "/host.skin.new"), skin);
    EXPECT_EQ(Slurp(dir + "/ja/LC_MESSAGES/host.mo.new"), catalogue) << "its folder is made";
    EXPECT_EQ(Slurp(dir + "/host.manifest.new"), "new manifest");
    EXPECT_EQ(UpdateQueries(), (std::vector<std::string>{"version=1.3.0", "version=1.3.0&type=signature",
                                                        "version=1.3.0&type=skin",
                                                        "version=1.3.0&type=mo",
                                                        "version=1.3.0&type=manifest"}));

    // The next call installs them, in place of the old ones, before it asks the site again.
    Put(dir + "/host.skin", "old skin");
    sim->SetUpdate("1.3.0", {});
    EXPECT_FALSE(Check());
    EXPECT_EQ(Slurp(dir + "/host.skin"), skin);
    EXPECT_EQ(Slurp(dir + "/ja/LC_MESSAGES/host.mo"), catalogue);
    EXPECT_EQ(Slurp(dir + "/host.manifest"), "new manifest");
    EXPECT_EQ(Files(), (std::vector<std::string>{"host.manifest", "host.skin", "host.so.new",
                                                 "ja/LC_MESSAGES/host.mo"}))
        << "the new plug-in is the host's to place";
}

TEST_F(PluginUpdateTest, NoRemovesTheNewPluginAndFetchesNoCompanion)
{
    REQUIRE_SIGNING();
    answer = wxNO;
    EXPECT_FALSE(Check());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(UpdateQueries(), (std::vector<std::string>{"version=1.3.0", "version=1.3.0&type=signature"}));
}

TEST_F(PluginUpdateTest, APendingSkinIsInstalledEvenWhenTheSiteIsDown)
{
    Put(dir + "/host.skin", "old skin");
    Put(dir + "/host.skin.new", Zip("pending skin"));
    sim->SetFault(sitesim::Route::Update, sitesim::Fault::Refuse);
    EXPECT_FALSE(Check());
    EXPECT_EQ(Slurp(dir + "/host.skin"), Zip("pending skin"));
    EXPECT_EQ(Files(), std::vector<std::string>{"host.skin"});
}

// A download cut short or damaged would leave the program without pictures or crash every
// start in Japanese: the old files stay.
TEST_F(PluginUpdateTest, ADamagedPendingSkinOrCatalogueIsDroppedAndTheOldOneStays)
{
    fs::create_directories(dir + "/ja/LC_MESSAGES");
    const std::string good = Zip("the skin in use");
    std::string flipped = Zip("a skin whose bytes were changed on the way");
    flipped[flipped.find("bytes")] = 'B'; // its checksum no longer matches
    for (const std::string& bad : {skin.substr(0, skin.size() / 2), flipped, std::string("<html>")}) {
        Put(dir + "/host.skin", good);
        Put(dir + "/host.skin.new", bad);
        Put(dir + "/ja/LC_MESSAGES/host.mo", catalogue);
        Put(dir + "/ja/LC_MESSAGES/host.mo.new", catalogue.substr(0, catalogue.size() - 8));
        PluginUpdate::InstallPendingFiles(application);
        EXPECT_EQ(Slurp(dir + "/host.skin"), good);
        EXPECT_EQ(Slurp(dir + "/ja/LC_MESSAGES/host.mo"), catalogue);
        EXPECT_EQ(Files(), (std::vector<std::string>{"host.skin", "ja/LC_MESSAGES/host.mo"})) << "the bad ones are gone";
    }
}

TEST_F(PluginUpdateTest, AShortVersionTextIsSentAsItStands)
{
    REQUIRE_SIGNING();
    ASSERT_TRUE(Check("1.3"));
    EXPECT_EQ(UpdateQueries().front(), "version=1.3");
}

TEST_F(PluginUpdateTest, ABrokenDownloadLeavesNoFile)
{
    for (auto fault : {sitesim::Fault::ResetBody, sitesim::Fault::NotFound, sitesim::Fault::Garbage,
                       sitesim::Fault::ServerError}) {
        sim->SetFault(sitesim::Route::Update, fault);
        EXPECT_FALSE(Check()) << static_cast<int>(fault);
        EXPECT_TRUE(Files().empty()) << static_cast<int>(fault);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PluginUpdateTest, OnlyTheExactTypeWithTheExactLengthIsAFile)
{
    const wxString target = wxString::FromUTF8(dir + "/file");
    const struct {
        const char* answer;
        bool file;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 4\r\n\r\nabcd", true},
        {"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\nabcd", false},
        {"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 0\r\n\r\n", true},
        {"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream; charset=x\r\nContent-Length: 4\r\n\r\nabcd", false},
        {"HTTP/1.0 200 OK\r\nContent-Type: Application/Octet-Stream\r\nContent-Length: 4\r\n\r\nabcd", false},
        {"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 9\r\n\r\nabcd", false},
    };
    for (const auto& c : cases) {
        CannedServer server(c.answer);
        EXPECT_EQ(PluginUpdate::DownloadToFile("http://" + server.HostPort() + "/u", target), c.file)
            << c.answer;
        EXPECT_EQ(wxFileName::FileExists(target), c.file) << c.answer;
        fs::remove(target.utf8_string());
    }
}

TEST_F(PluginUpdateTest, TheBoxComesOnTheUserInterfaceThreadWhenAskedFromAnother)
{
    REQUIRE_SIGNING();
    std::atomic<int> result{-1};
    std::thread asker([&] { result = Check() ? 1 : 0; });
    const bool done = PumpUntil([&] { return result != -1; }, 10000);
    asker.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(boxes.size(), 1u);
}

// An offer no built-in key vouches for is never written, asked about or loaded: one line says
// why, and the running plug-in stays as it is.
TEST_F(PluginUpdateTest, AnOfferThatIsNotTheSignedReleaseIsRefusedInOneLine)
{
    REQUIRE_SIGNING();
    const std::string plugin = std::string(SORVIK_VERSION_MARK "1.4.0") + '\0' + "the next plug-in";
    const std::string claimsOther = std::string(SORVIK_VERSION_MARK "1.5.0") + '\0' + "the next plug-in";
    using sitesim::Release;
    const struct {
        Release release;
        std::string offered; // the plug-in served
        std::string line;
        bool asked;
    } cases[] = {
        {Release::Unsigned, plugin, "update 1.4.0 refused: no signed statement", false},
        {Release::WrongKey, plugin, "update 1.4.0 refused: not signed by a known key", false},
        {Release::Forged, plugin, "update 1.4.0 refused: its signature does not verify", false},
        {Release::Tampered, plugin, "update 1.4.0 refused: the plugin's SHA-256 does not match its statement", false},
        {Release::Mixed, plugin,
         "update 1.4.0 refused: the plugin is " + std::to_string(plugin.size()) + " bytes, its statement says " +
             std::to_string(plugin.size() + std::string("another build").size()),
         false},
        {Release::Rollback, plugin, "update 1.4.0 refused: its statement names 1.3.0, not newer than the running 1.3.0", false},
        {Release::Expired, plugin, "update 1.4.0 refused: its statement expired on", false},
        {Release::Oversized, plugin, "update 1.4.0 refused: its statement is larger than 64 KB", false},
        {Release::Signed, claimsOther, "update 1.5.0 refused: the plug-in says it is 1.5.0, its statement 1.4.0", false},
        // The companions come after the user's Yes: one other than signed undoes the whole offer.
        {Release::TamperedSkin, plugin, "update 1.4.0 refused: the skin's SHA-256 does not match its statement", true},
    };
    Put(dir + "/host.so", "the running plug-in");
    for (const auto& c : cases) {
        sim->SetUpdate("1.4.0", {{"", c.offered}, {"skin", skin}, {"mo", catalogue}, {"manifest", "new manifest"}});
        sim->SetRelease(c.release);
        boxes.clear();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Check()) << c.line;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.rfind("sorvik: " + c.line, 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(boxes.size(), c.asked ? 1u : 0u) << c.line;
        EXPECT_EQ(Files(), std::vector<std::string>{"host.so"}) << c.line;
        EXPECT_EQ(Slurp(dir + "/host.so"), "the running plug-in");
    }
    // The same offer, signed, goes through.
    sim->SetUpdate("1.4.0", {{"", plugin}, {"skin", skin}, {"mo", catalogue}, {"manifest", "new manifest"}});
    sim->SetRelease(Release::Signed);
    ASSERT_TRUE(Check());
    EXPECT_EQ(Slurp(dir + "/host.so.new"), plugin);
    EXPECT_EQ(Slurp(dir + "/host.skin.new"), skin);
}
