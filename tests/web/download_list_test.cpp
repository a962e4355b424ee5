#include "web/download_list.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkProxy>

#include "local_server.h"
#include "messages.h"
#include "test_files.h"

namespace tarnwick {
namespace {

using namespace web_test;
namespace fs = std::filesystem;

const Message kEmpty{"download_list.txt was empty\nplease delete it and restart the application",
                     "Error"};
const Message kWarning{
    "Could not get DownLoadList.txt\nYou will not be informed of new downloads "
    "&\nmight not be able to view the online help",
    "Warning"};

std::vector<Message> Announced(const std::string& entries) {
  if (entries.empty()) return {};
  return {{entries, "New Downloads At The Mossgate Web Site"}};
}

// The frameset page for `base`, line for line.
std::string Page(const std::string& base) {
  return "<html>\n<head>\n<title>\n</title>\n<meta http-equiv=\"Content-Type\" "
         "content=\"text/html; charset=iso-8859-1\">\n</head>\n<frameset rows=\"100%,*\" "
         "cols=\"100%\" border=\"0\" framespacing=\"0\">\n<frame name=\"mask\" src=\"" +
         base +
         "/Mossgate.htm\" frameborder=\"NO\"scrolling=\"AUTO\">\n</frameset>\n<noframes>\n"
         "<body bgcolor=\"#FFFFFF\">\n</body>\n</noframes>\n</html>";
}

// The program folder lies in a base folder of its own; the check works in the base folder.
class DownloadListTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(program_); }
  void TearDown() override {
    help_base_url.clear();
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  }
  std::string File(const std::string& name) const { return dir_.path + "/" + name; }
  // `text` with every "@" replaced by the local server's URL.
  std::string Url(std::string text) const {
    for (size_t at; (at = text.find('@')) != std::string::npos;) {
      text.replace(at, 1, server_.BaseUrl());
    }
    return text;
  }
  std::vector<Message> Check() {
    messages_.shown.clear();
    CheckDownloadList(program_);
    return messages_.shown;
  }

  TempDir dir_;
  std::string program_ = dir_.path + "/Tarnwick";
  LocalServer server_;
  MessageRecorder messages_;
};

TEST_F(DownloadListTest, AnnouncesTheNewEntriesAndKeepsTheListAsReceived) {
  struct Row {
    std::string old_list, list, announced, base = "@";
  };
  const std::vector<Row> rows = {
      {"@\n", "@\nTarnwick 1.3\nSpawn pack\n", "Tarnwick 1.3\nSpawn pack\n"},
      {"@\nA\nB\n", "@\nA\nB\n", ""},
      {"@\nSpawn\nMap 1\n", "@\nZeta\nMap 1\nAlpha\nSpawn\n", "Zeta\nAlpha\n"},  // new list's order
      {"@\nOld\nKept\nGone\n", "@\nKept\nNew\n", "New\n"},  // removed entries go unmentioned
      {"@\nKnown\n", "@\nTwice\nKnown\nTwice\nKnown\n", "Twice\nTwice\n"},
      {"@\nSpawn\nMap\n", "@\nspawn\nSpawn \nMap\nMap 2\n", "spawn\nSpawn \nMap 2\n"},
      {"@\n", "@\n@\n", "@\n"},                           // the old site line is no entry
      {"@\nKnown\n", "@/moved\nKnown\n", "", "@/moved"},  // a moved site counts at once
      {"@\n", "\nEntry\n", "Entry\n"},                    // a blank site line keeps the old one
      {"@\n", "@\nComplete\nUnfinished", "Complete\n"},   // a line without its LF is no line
      {"@\r\nKnown\r\nAlso\r\n", "@\nKnown\nAlso\n", ""},
      {"@\nKnown\n", "@\r\nKnown\r\nNew\r\n", "New\n"},
      {"@\nA\rB\nC\r\n", "@\nA\rB\r\nC\r\r\n", "C\r\n"},  // only the CR right before the LF goes
      {"@\n", "@\nCaf\xe9 \xff\n\tTab \n\nafter a blank\ntail",
       "Caf\xe9 \xff\n\tTab \n\nafter a blank\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    const std::string list = Url(row.list);
    WriteFile(File("DownLoadList_old.txt"), Url(row.old_list));
    WriteFile(File("DownLoadList.txt"), "left over\n");
    WriteFile(File("Mossgate.html"), "stale");
    server_.Serve("/DownLoadList.txt", {list});
    EXPECT_EQ(Check(), Announced(Url(row.announced)));
    EXPECT_EQ(help_base_url, Url(row.base));
    EXPECT_EQ(ReadFile(File("Mossgate.html")), Page(Url(row.base)));
    EXPECT_EQ(ReadFile(File("DownLoadList.txt")), list);
    EXPECT_EQ(ReadFile(File("DownLoadList_old.txt")), list);
    EXPECT_TRUE(fs::is_empty(program_));  // nothing lands in the program's own folder
  }
  // Always asked at the old list's site, a CR after it dropped.
  EXPECT_EQ(server_.requests, std::vector<std::string>(rows.size(), "/DownLoadList.txt"));
}

TEST_F(DownloadListTest, AnEmptyListIsAnErrorAndTheNextListGoesOnFromTheOldOne) {
  const std::string old_list = Url("@\nKnown\n");
  WriteFile(File("DownLoadList_old.txt"), old_list);
  for (const std::string list : {"", "http://elsewhere.example"}) {  // no LF: no line either
    server_.Serve("/DownLoadList.txt", {list});
    EXPECT_EQ(Check(), std::vector<Message>{kEmpty});
    EXPECT_EQ(help_base_url, "");
    EXPECT_EQ(ReadFile(File("DownLoadList.txt")), list);
    EXPECT_EQ(ReadFile(File("DownLoadList_old.txt")), old_list);
    EXPECT_FALSE(fs::exists(File("Mossgate.html")));
  }
  server_.Serve("/DownLoadList.txt", {Url("@/moved\r\nKnown\nLater\nHalf")});
  EXPECT_EQ(Check(), Announced("Later\n"));
  // The next start asks the moved site, and the unfinished line is new once it arrives whole.
  server_.Serve("/moved/DownLoadList.txt", {Url("@/moved\nKnown\nLater\nHalf\n")});
  EXPECT_EQ(Check(), Announced("Half\n"));
  EXPECT_EQ(help_base_url, Url("@/moved"));
  EXPECT_EQ(server_.requests.back(), "/moved/DownLoadList.txt");
}

TEST_F(DownloadListTest, AFailedGetWarnsAndChangesNothing) {
  quint16 refused;  // a port that was free a moment ago
  { refused = LocalServer().Port(); }
  for (const int status : {404, 500, 0, -1}) {  // 0: never answers; -1: nobody listens
    SCOPED_TRACE(status);
    const std::string old_list =
        (status < 0 ? "http://127.0.0.1:" + std::to_string(refused) : Url("@")) + "\nKnown\n";
    WriteFile(File("DownLoadList_old.txt"), old_list);
    WriteFile(File("DownLoadList.txt"), "from the last run\n");
    server_.Serve("/DownLoadList.txt", {Url("@\nNew\n")}, status);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(Check(), std::vector<Message>{kWarning});
    if (status == 0) {  // the GET gives up after 10 s
      EXPECT_GE(timer.elapsed(), 9000);
      EXPECT_LT(timer.elapsed(), 20000);
    }
    EXPECT_EQ(help_base_url, "");
    EXPECT_EQ(ReadFile(File("DownLoadList_old.txt")), old_list);
    EXPECT_EQ(ReadFile(File("DownLoadList.txt")), "from the last run\n");
    EXPECT_FALSE(fs::exists(File("Mossgate.html")));
  }
  EXPECT_EQ(server_.requests.size(), 3u);
}

// The default site is asked through the local server as a proxy, so no name is ever looked up.
TEST_F(DownloadListTest, WithoutAnOldSiteTheDefaultSiteIsAsked) {
  QNetworkProxy::setApplicationProxy(
      QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", server_.Port()));
  const std::string asked = std::string(kDefaultBaseUrl) + "/DownLoadList.txt";
  server_.Serve(asked, {Url("@\nOne\nTwo\n")});
  EXPECT_EQ(Check(), Announced("One\nTwo\n"));  // no old list
  EXPECT_EQ(help_base_url, Url("@"));
  WriteFile(File("DownLoadList_old.txt"), "\nOne\n");  // a blank site line
  EXPECT_EQ(Check(), Announced("Two\n"));
  fs::remove(File("DownLoadList_old.txt"));
  fs::create_directory(File("DownLoadList_old.txt"));  // opens, but cannot be read
  EXPECT_EQ(Check(), Announced("One\nTwo\n"));
  EXPECT_TRUE(fs::is_directory(File("DownLoadList_old.txt")));
  EXPECT_EQ(server_.requests, std::vector<std::string>(3, asked));
}

TEST_F(DownloadListTest, AListThatCannotBeKeptLeavesTheOldSiteAndStillWritesThePage) {
  fs::create_directory(File("DownLoadList.txt"));  // not written, not read back: nothing compared
  WriteFile(File("DownLoadList_old.txt"), Url("@\nKnown\n"));
  server_.Serve("/DownLoadList.txt", {Url("@/moved\nKnown\nNew\n")});
  EXPECT_EQ(Check(), Announced(""));
  EXPECT_EQ(help_base_url, Url("@"));
  EXPECT_EQ(ReadFile(File("DownLoadList_old.txt")), Url("@\nKnown\n"));
  EXPECT_EQ(ReadFile(File("Mossgate.html")), Page(Url("@")));
}

TEST_F(DownloadListTest, AProgramFolderWithoutSlashGivesItsNameWithAnA) {
  fs::create_directory(File("Tarnwicka"));
  WriteFile(File("Tarnwicka/DownLoadList_old.txt"), Url("@\n"));
  server_.Serve("/DownLoadList.txt", {Url("@\nEntry\n")});
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_.path);
  program_ = "Tarnwick";
  EXPECT_EQ(Check(), Announced("Entry\n"));
  fs::current_path(cwd);
  EXPECT_EQ(ReadFile(File("Tarnwicka/Mossgate.html")), Page(Url("@")));
}

}  // namespace
}  // namespace tarnwick
