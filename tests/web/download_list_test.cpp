#include "web/download_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QNetworkProxy>
#include <filesystem>

#include "local_server.h"
#include "messages.h"
#include "test_files.h"

namespace tarnwick {
namespace {

using web_test::Exists;
using web_test::LocalServer;
using web_test::Message;
using web_test::MessageRecorder;
using web_test::ReadFile;
using web_test::TempDir;
using web_test::WriteFile;

const char kWarning[] =
    "Could not get DownLoadList.txt\nYou will not be informed of new downloads &\nmight not be "
    "able to view the online help";
const char kNewDownloads[] = "New Downloads At The Mossgate Web Site";

// The one message box a check is expected to show.
std::vector<Message> One(const std::string& text, const std::string& caption) {
  return {Message{text, caption}};
}

// The frameset page for `base`, line for line.
std::string Page(const std::string& base) {
  const std::vector<std::string> lines = {
      "<html>",
      "<head>",
      "<title>",
      "</title>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
      "</head>",
      "<frameset rows=\"100%,*\" cols=\"100%\" border=\"0\" framespacing=\"0\">",
      "<frame name=\"mask\" src=\"" + base +
          "/Mossgate.htm\" frameborder=\"NO\"scrolling=\"AUTO\">",
      "</frameset>",
      "<noframes>",
      "<body bgcolor=\"#FFFFFF\">",
      "</body>",
      "</noframes>",
      "</html>"};
  std::string page;
  for (size_t i = 0; i < lines.size(); ++i) page += (i ? "\n" : "") + lines[i];
  return page;
}

// The program folder lies in a base folder of its own; the check works in the base folder.
class DownloadListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    help_base_url.clear();
    std::filesystem::create_directory(ProgramFolder());
  }
  void TearDown() override { help_base_url.clear(); }

  std::string ProgramFolder() const { return base_.Path() + "/Tarnwick"; }
  std::string InBase(const std::string& name) const { return base_.Path() + "/" + name; }
  std::string NewList() const { return ReadFile(InBase("DownLoadList.txt")); }
  std::string OldList() const { return ReadFile(InBase("DownLoadList_old.txt")); }
  std::string Url() const { return server_.BaseUrl(); }

  void Check() { CheckDownloadList(ProgramFolder()); }

  // Writes the previous list (pointing at the local server) and serves `list`.
  void Prepare(const std::string& old_entries, const std::string& list) {
    WriteFile(InBase("DownLoadList_old.txt"), Url() + "\n" + old_entries);
    server_.Serve("/DownLoadList.txt", list);
  }

  TempDir base_;
  LocalServer server_;
  MessageRecorder messages_;
};

TEST_F(DownloadListTest, FirstListFromTheServerAnnouncesEveryEntry) {
  const std::string list = Url() + "\nTarnwick 1.3\nSpawn pack\nMap pack two\n";
  Prepare("", list);
  Check();

  EXPECT_EQ(server_.Requests(), std::vector<std::string>{"/DownLoadList.txt"});
  EXPECT_EQ(messages_.shown, One("Tarnwick 1.3\nSpawn pack\nMap pack two\n", kNewDownloads));
  EXPECT_EQ(help_base_url, Url());
  EXPECT_EQ(NewList(), list);
  EXPECT_EQ(OldList(), list);
  EXPECT_EQ(ReadFile(InBase("Mossgate.html")), Page(Url()));
  // Nothing lands in the program's own folder.
  EXPECT_TRUE(std::filesystem::is_empty(ProgramFolder()));
}

TEST_F(DownloadListTest, UnchangedListAnnouncesNothingAndRewritesTheFiles) {
  const std::string list = Url() + "\nTarnwick 1.3\nSpawn pack\n";
  WriteFile(InBase("DownLoadList_old.txt"), list);
  WriteFile(InBase("DownLoadList.txt"), "left over from an older run\n");
  WriteFile(InBase("Mossgate.html"), "stale");
  server_.Serve("/DownLoadList.txt", list);
  Check();

  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(NewList(), list);
  EXPECT_EQ(OldList(), list);
  EXPECT_EQ(ReadFile(InBase("Mossgate.html")), Page(Url()));
  EXPECT_EQ(help_base_url, Url());
}

TEST_F(DownloadListTest, OnlyAddedEntriesAreAnnouncedInTheNewListsOrder) {
  Prepare("Spawn pack\nTarnwick 1.2\n", Url() + "\nZeta\nTarnwick 1.2\nAlpha\nSpawn pack\n");
  Check();
  EXPECT_EQ(messages_.shown, One("Zeta\nAlpha\n", kNewDownloads));
}

TEST_F(DownloadListTest, RemovedEntriesAreNotMentioned) {
  Prepare("Old pack\nSpawn pack\nGone too\n", Url() + "\nSpawn pack\n");
  Check();
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(OldList(), Url() + "\nSpawn pack\n");
}

TEST_F(DownloadListTest, RemovedAndAddedTogetherAnnounceTheAdditionOnly) {
  Prepare("Old pack\n", Url() + "\nNew pack\n");
  Check();
  EXPECT_EQ(messages_.shown, One("New pack\n", kNewDownloads));
}

TEST_F(DownloadListTest, ANewEntryListedTwiceIsAnnouncedTwice) {
  Prepare("Known\n", Url() + "\nTwice\nKnown\nTwice\nKnown\n");
  Check();
  EXPECT_EQ(messages_.shown, One("Twice\nTwice\n", kNewDownloads));
}

TEST_F(DownloadListTest, EntriesCompareWholeAndCaseSensitively) {
  Prepare("Spawn pack\nMap\n", Url() + "\nspawn pack\nSpawn pack \nMap\nMap 2\n");
  Check();
  EXPECT_EQ(messages_.shown, One("spawn pack\nSpawn pack \nMap 2\n", kNewDownloads));
}

TEST_F(DownloadListTest, TheOldBaseLineIsNoEntry) {
  // Line 0 of the previous list is its base URL, not an entry: an entry of the same text is new.
  Prepare("", Url() + "\n" + Url() + "\n");
  Check();
  EXPECT_EQ(messages_.shown, One(Url() + "\n", kNewDownloads));
}

TEST_F(DownloadListTest, AMovedSiteIsUsedAtOnceAndAskedNextTime) {
  const std::string moved = Url() + "/moved";
  Prepare("Spawn pack\n", moved + "\nSpawn pack\n");
  Check();

  EXPECT_TRUE(messages_.shown.empty());  // the new base line is not announced
  EXPECT_EQ(help_base_url, moved);
  EXPECT_EQ(ReadFile(InBase("Mossgate.html")), Page(moved));
  EXPECT_EQ(OldList(), moved + "\nSpawn pack\n");

  // The next start asks the new site.
  help_base_url.clear();
  server_.Serve("/moved/DownLoadList.txt", moved + "\nSpawn pack\nFresh\n");
  Check();
  EXPECT_EQ(server_.Requests(),
            (std::vector<std::string>{"/DownLoadList.txt", "/moved/DownLoadList.txt"}));
  EXPECT_EQ(messages_.shown, One("Fresh\n", kNewDownloads));
  EXPECT_EQ(help_base_url, moved);
}

TEST_F(DownloadListTest, ABlankBaseLineInTheNewListKeepsTheOldBase) {
  const std::string list = "\nEntry\n";
  Prepare("", list);
  Check();
  EXPECT_EQ(messages_.shown, One("Entry\n", kNewDownloads));
  EXPECT_EQ(help_base_url, Url());
  EXPECT_EQ(ReadFile(InBase("Mossgate.html")), Page(Url()));
  EXPECT_EQ(OldList(), list);  // the next start falls back to the default site
}

TEST_F(DownloadListTest, ALastLineWithoutItsLineFeedIsNoLine) {
  const std::string list = Url() + "\nComplete\nUnfinished";
  Prepare("", list);
  Check();
  EXPECT_EQ(messages_.shown, One("Complete\n", kNewDownloads));
  // Kept as received: the next start sees the unfinished line as no line either, so it is
  // announced once it arrives whole.
  EXPECT_EQ(NewList(), list);
  EXPECT_EQ(OldList(), list);

  messages_.shown.clear();
  server_.Serve("/DownLoadList.txt", Url() + "\nComplete\nUnfinished\n");
  Check();
  EXPECT_EQ(messages_.shown, One("Unfinished\n", kNewDownloads));
}

TEST_F(DownloadListTest, OneLineWithoutLineFeedIsAnEmptyList) {
  const std::string old_list = Url() + "\nKnown\n";
  WriteFile(InBase("DownLoadList_old.txt"), old_list);
  server_.Serve("/DownLoadList.txt", "http://elsewhere.example");
  Check();

  EXPECT_EQ(messages_.shown, One("download_list.txt was empty\nplease delete it and restart the "
                                 "application",
                                 "Error"));
  EXPECT_EQ(help_base_url, "");
  EXPECT_EQ(NewList(), "http://elsewhere.example");
  EXPECT_EQ(OldList(), old_list);
  EXPECT_FALSE(Exists(InBase("Mossgate.html")));
}

TEST_F(DownloadListTest, AnEmptyListIsAnErrorAndKeepsTheOldList) {
  const std::string old_list = Url() + "\nKnown\n";
  WriteFile(InBase("DownLoadList_old.txt"), old_list);
  server_.Serve("/DownLoadList.txt", "");
  Check();

  EXPECT_EQ(messages_.shown, One("download_list.txt was empty\nplease delete it and restart the "
                                 "application",
                                 "Error"));
  EXPECT_EQ(help_base_url, "");
  EXPECT_TRUE(Exists(InBase("DownLoadList.txt")));
  EXPECT_EQ(NewList(), "");
  EXPECT_EQ(OldList(), old_list);
  EXPECT_FALSE(Exists(InBase("Mossgate.html")));

  // The entries not yet announced wait for the next good list.
  messages_.shown.clear();
  server_.Serve("/DownLoadList.txt", Url() + "\nKnown\nLater\n");
  Check();
  EXPECT_EQ(messages_.shown, One("Later\n", kNewDownloads));
}

// A failed GET leaves every file as it was, whatever the reason.
class FailedDownloadTest : public DownloadListTest {
 protected:
  void ExpectNothingChanged() {
    EXPECT_EQ(messages_.shown, One(kWarning, "Warning"));
    EXPECT_EQ(help_base_url, "");
    EXPECT_EQ(OldList(), Url() + "\nKnown\n");
    EXPECT_EQ(NewList(), "from the last run\n");
    EXPECT_FALSE(Exists(InBase("Mossgate.html")));
    EXPECT_EQ(server_.Count("/DownLoadList.txt"), 1);
  }
  void SetUp() override {
    DownloadListTest::SetUp();
    WriteFile(InBase("DownLoadList_old.txt"), Url() + "\nKnown\n");
    WriteFile(InBase("DownLoadList.txt"), "from the last run\n");
  }
};

TEST_F(FailedDownloadTest, NotFound) {
  server_.Fail("/DownLoadList.txt", 404);
  Check();
  ExpectNothingChanged();
}

TEST_F(FailedDownloadTest, ServerError) {
  server_.Fail("/DownLoadList.txt", 500);
  Check();
  ExpectNothingChanged();
}

TEST_F(FailedDownloadTest, NoServerAtThePort) {
  // A port that was free a moment ago: the connection is refused.
  quint16 port;
  {
    LocalServer gone;
    port = gone.Port();
  }
  WriteFile(InBase("DownLoadList_old.txt"),
            "http://127.0.0.1:" + std::to_string(port) + "\nKnown\n");
  Check();
  EXPECT_EQ(messages_.shown, One(kWarning, "Warning"));
  EXPECT_EQ(help_base_url, "");
  EXPECT_EQ(NewList(), "from the last run\n");
  EXPECT_FALSE(Exists(InBase("Mossgate.html")));
}

TEST_F(FailedDownloadTest, AServerThatNeverAnswersIsGivenUpAfterTenSeconds) {
  server_.Hang("/DownLoadList.txt");
  QElapsedTimer timer;
  timer.start();
  Check();
  const qint64 waited = timer.elapsed();
  EXPECT_GE(waited, 9000);
  EXPECT_LT(waited, 20000);
  ExpectNothingChanged();
}

TEST_F(DownloadListTest, CarriageReturnsBeforeLineFeedsAreDropped) {
  // The old list came with CR LF, the new one with LF: the same entries.
  WriteFile(InBase("DownLoadList_old.txt"), Url() + "\r\nKnown\r\nAlso known\r\n");
  server_.Serve("/DownLoadList.txt", Url() + "\nKnown\nAlso known\n");
  Check();
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(help_base_url, Url());

  // And the other way round; the base line loses its CR too, so the page and the next GET use
  // the plain URL.
  const std::string crlf = Url() + "\r\nKnown\r\nAlso known\r\nNew\r\n";
  server_.Serve("/DownLoadList.txt", crlf);
  Check();
  EXPECT_EQ(messages_.shown, One("New\n", kNewDownloads));
  EXPECT_EQ(help_base_url, Url());
  EXPECT_EQ(ReadFile(InBase("Mossgate.html")), Page(Url()));
  EXPECT_EQ(NewList(), crlf);  // written as received
  EXPECT_EQ(OldList(), crlf);

  Check();
  EXPECT_EQ(messages_.shown.size(), 1u);  // nothing new the third time
  EXPECT_EQ(server_.Count("/DownLoadList.txt"), 3);
}

TEST_F(DownloadListTest, OnlyTheCarriageReturnRightBeforeTheLineFeedGoes) {
  Prepare("A\rB\nC\r\n", Url() + "\nA\rB\r\nC\r\r\n");
  Check();
  EXPECT_EQ(messages_.shown, One("C\r\n", kNewDownloads));
}

TEST_F(DownloadListTest, TheListIsWrittenByteForByte) {
  std::string list = Url() + "\nCaf\xe9 pack\n\xff\xfe bytes\n\tTabbed \n\nafter a blank\ntail";
  Prepare("", list);
  Check();
  EXPECT_EQ(NewList(), list);
  EXPECT_EQ(OldList(), list);
  EXPECT_EQ(messages_.shown,
            One("Caf\xe9 pack\n\xff\xfe bytes\n\tTabbed \n\nafter a blank\n", kNewDownloads));
}

// The default site is asked through the local server as a proxy, so no name is ever looked up.
class ProxyGuard {
 public:
  explicit ProxyGuard(quint16 port) {
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", port));
  }
  ~ProxyGuard() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }
};

TEST_F(DownloadListTest, AnEmptyOldListFallsBackToTheDefaultSite) {
  ProxyGuard proxy(server_.Port());
  const std::string asked = std::string(kDefaultBaseUrl) + "/DownLoadList.txt";
  const std::string list = std::string(kDefaultBaseUrl) + "\nOne\nTwo\n";
  server_.Serve(asked, list);

  // A missing old list, and one whose base line is blank.
  Check();
  EXPECT_EQ(messages_.shown, One("One\nTwo\n", kNewDownloads));
  EXPECT_EQ(help_base_url, kDefaultBaseUrl);
  EXPECT_EQ(OldList(), list);

  messages_.shown.clear();
  help_base_url.clear();
  WriteFile(InBase("DownLoadList_old.txt"), "\nOne\n");
  Check();
  EXPECT_EQ(messages_.shown, One("Two\n", kNewDownloads));
  EXPECT_EQ(server_.Requests(), (std::vector<std::string>{asked, asked}));
}

TEST_F(DownloadListTest, AnOldListThatCannotBeReadCountsAsNone) {
  ProxyGuard proxy(server_.Port());
  std::filesystem::create_directory(InBase("DownLoadList_old.txt"));
  server_.Serve(std::string(kDefaultBaseUrl) + "/DownLoadList.txt", Url() + "\nOne\n");
  Check();
  EXPECT_EQ(messages_.shown, One("One\n", kNewDownloads));
  EXPECT_EQ(help_base_url, Url());
  EXPECT_TRUE(std::filesystem::is_directory(InBase("DownLoadList_old.txt")));
}

TEST_F(DownloadListTest, AListThatCannotBeKeptLeavesTheOldBaseAndStillWritesThePage) {
  // The fetched list can be neither written nor read back: nothing is compared or announced.
  std::filesystem::create_directory(InBase("DownLoadList.txt"));
  Prepare("Known\n", Url() + "/moved\nKnown\nNew\n");
  Check();
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(help_base_url, Url());
  EXPECT_EQ(OldList(), Url() + "\nKnown\n");
  EXPECT_EQ(ReadFile(InBase("Mossgate.html")), Page(Url()));
}

TEST_F(DownloadListTest, TheDefaultSiteIsAReservedName) {
  EXPECT_STREQ(kDefaultBaseUrl, "http://www.mossgate.example");
}

TEST(DownloadListFolders, AProgramFolderWithoutSlashGivesItsNameWithAnA) {
  TempDir dir;
  LocalServer server;
  MessageRecorder messages;
  help_base_url.clear();
  const std::string base = dir.Path() + "/Tarnwicka";
  std::filesystem::create_directory(base);
  WriteFile(base + "/DownLoadList_old.txt", server.BaseUrl() + "\n");
  server.Serve("/DownLoadList.txt", server.BaseUrl() + "\nEntry\n");

  const std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  CheckDownloadList("Tarnwick");
  std::filesystem::current_path(cwd);

  EXPECT_EQ(messages.shown, One("Entry\n", kNewDownloads));
  EXPECT_EQ(ReadFile(base + "/DownLoadList.txt"), server.BaseUrl() + "\nEntry\n");
  EXPECT_TRUE(Exists(base + "/Mossgate.html"));
  help_base_url.clear();
}

}  // namespace
}  // namespace tarnwick
