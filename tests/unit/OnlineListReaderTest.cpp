#include <string>

#include <gtest/gtest.h>

#include "site/MemoryLineSource.h"
#include "site/OnlineListReader.h"

namespace {

UserList Read(const std::string& text)
{
    MemoryLineSource source(text);
    OnlineListReader reader;
    UserList list;
    EXPECT_TRUE(reader.Read(source, list));
    return list;
}

unsigned long StatusOf(const UserList& list, const char* name)
{
    const User* u = list.FindUser(name);
    return u ? u->GetStatus() : 0xDEAD;
}

} // namespace

TEST(MemoryLineSourceTest, LastPieceComesWithTheEnd)
{
    std::string text = "a\nb\r\nc\rd";
    MemoryLineSource source(text);
    wxString line;
    EXPECT_TRUE(source.ReadLine(line));
    EXPECT_EQ(line, "a");
    EXPECT_TRUE(source.ReadLine(line));
    EXPECT_EQ(line, "b");
    EXPECT_TRUE(source.ReadLine(line));
    EXPECT_EQ(line, "c");
    EXPECT_FALSE(source.ReadLine(line));
    EXPECT_EQ(line, "d");

    std::string terminated = "a\n";
    MemoryLineSource second(terminated);
    EXPECT_TRUE(second.ReadLine(line));
    EXPECT_FALSE(second.ReadLine(line));
    EXPECT_EQ(line, "");
}

TEST(MemoryLineSourceTest, InvalidUtf8IsReadAsLatin1)
{
    std::string text = "caf\xe9\nok\n";
    MemoryLineSource source(text);
    wxString line;
    EXPECT_TRUE(source.ReadLine(line));
    EXPECT_EQ(line, wxString::FromUTF8("caf\xc3\xa9"));
}

TEST(OnlineListReaderTest, SixLineExample)
{
    UserList list = Read("p1.viewers = 3\nfree_performers.add(p1)\np2.viewers = 0\n"
                         "busy_performers.add(p2)\nprivate_performers.add(p2)\nend");
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(StatusOf(list, "p1"), 0x03u);
    EXPECT_EQ(StatusOf(list, "p2"), 0x15u);
}

TEST(OnlineListReaderTest, ExclusiveBitsFollowTheLaterWord)
{
    EXPECT_EQ(StatusOf(Read("p.viewers = 1\nbusy_performers.add(p)\n"), "p"), 0x0Du)
        << "busy alone means a public show";
    EXPECT_EQ(StatusOf(Read("p.viewers = 1\nprivate_performers.add(p)\nbusy_performers.add(p)\n"),
                       "p"),
              0x15u)
        << "busy keeps a private show private";
    EXPECT_EQ(StatusOf(Read("p.viewers = 1\nbusy_performers.add(p)\nfree_performers.add(p)\n"),
                       "p"),
              0x03u);
    EXPECT_EQ(StatusOf(Read("p.viewers = 1\nprivate_performers.add(p)\npublic_performers.add(p)\n"),
                       "p"),
              0x0Du);
    EXPECT_EQ(StatusOf(Read("p.viewers = 1\nonline_performers.add(p)\n"), "p"), 0x01u);
    EXPECT_EQ(StatusOf(Read("p.viewers = 1\n"), "p"), 0x00u) << "a record without status lines";
}

TEST(OnlineListReaderTest, WordsAreCaseSensitiveAndUnknownWordsIgnored)
{
    UserList list = Read("p.viewers = 1\nOnline_performers.add(p)\nsleepy_performers.add(p)\n"
                         "FREE_performers.add(p)\n");
    EXPECT_EQ(StatusOf(list, "p"), 0x00u);
}

TEST(OnlineListReaderTest, StatusLinesBeforeTheFirstRecordCarryIntoIt)
{
    UserList list = Read("free_performers.add(x)\np.viewers = 1\nonline_performers.add(p)\n");
    EXPECT_EQ(StatusOf(list, "p"), 0x03u);
}

TEST(OnlineListReaderTest, StatusLineNamingAnotherPerformerAppliesToTheCurrentOne)
{
    UserList list = Read("a.viewers = 1\nb.viewers = 2\nbusy_performers.add(a)\n");
    EXPECT_EQ(StatusOf(list, "a"), 0x00u);
    EXPECT_EQ(StatusOf(list, "b"), 0x0Du);
}

TEST(OnlineListReaderTest, DuplicateRecordsKeepTheLastStatus)
{
    UserList list = Read("a.viewers = 1\nfree_performers.add(a)\na.viewers = 5\n"
                         "private_performers.add(a)\n");
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(StatusOf(list, "a"), 0x15u);
}

TEST(OnlineListReaderTest, TheLineAtTheEndOfDataIsNeverExamined)
{
    EXPECT_EQ(StatusOf(Read("a.viewers = 1\nfree_performers.add(a)"), "a"), 0x00u);
    UserList list = Read("a.viewers = 1\nb.viewers = 2");
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(list.FindUser("b"), nullptr);
    EXPECT_EQ(StatusOf(Read("a.viewers = 1\nfree_performers.add(a)\n"), "a"), 0x03u);
}

TEST(OnlineListReaderTest, MatchesAnywhereInTheLine)
{
    UserList list = Read("  var x; Mia_2-viewers = 12; // n\n\tfree_performers.add(Mia_2);\n"
                         "no match here\n");
    EXPECT_EQ(StatusOf(list, "Mia_2"), 0x03u);
    EXPECT_TRUE(Read("").empty());
    EXPECT_TRUE(Read("<html>Not found</html>\n").empty());
}

TEST(OnlineListReaderTest, HookAfterEachStoredPerformerCanAbandon)
{
    std::string text = "a.viewers = 1\nb.viewers = 1\nc.viewers = 1\nd.viewers = 1\n";
    MemoryLineSource source(text);
    OnlineListReader reader;
    UserList list;
    int calls = 0;
    EXPECT_FALSE(reader.Read(source, list, [&] { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(list.size(), 2u);
}

TEST(OnlineListReaderTest, WordTableInNumbers)
{
    for (unsigned long f = 0; f < 0x20; ++f) {
        EXPECT_EQ(OnlineListReader::ApplyStatusWord(f, "online"), f | 0x01);
        EXPECT_EQ(OnlineListReader::ApplyStatusWord(f, "free"), (f & ~0x1CUL) | 0x03);
        unsigned long busy = (f & ~0x02UL) | 0x05;
        if ((f & 0x10) == 0)
            busy |= 0x08;
        EXPECT_EQ(OnlineListReader::ApplyStatusWord(f, "busy"), busy);
        EXPECT_EQ(OnlineListReader::ApplyStatusWord(f, "public"), (f & ~0x12UL) | 0x0D);
        EXPECT_EQ(OnlineListReader::ApplyStatusWord(f, "private"), (f & ~0x0AUL) | 0x15);
        EXPECT_EQ(OnlineListReader::ApplyStatusWord(f, "away"), f);
    }
}
