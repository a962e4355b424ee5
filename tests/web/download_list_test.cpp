#include "web/download_list.h"

#include <QApplication>
#include <QMessageBox>
#include <chrono>

#include "web_test.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// The program folder lies in a base folder of its own; the check works in the base folder.
class DownloadList : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(program_); }
  std::string File(const std::string& name) const { return dir_.path + "/" + name; }
  // `text` with every "@" replaced by the local server's URL.
  std::string Url(std::string text) const {
    for (size_t at; (at = text.find('@')) != std::string::npos;)
      text.replace(at, 1, server_.BaseUrl());
    return text;
  }
  std::vector<Message> Check() {
    messages_.shown.clear();
    help_base_url.clear();  // as at the program's start
    bundled_help_page.clear();
    CheckDownloadList(program_);
    return messages_.shown;
  }

  TempDir dir_;
  std::string program_ = dir_.path + "/Tarnwick";
  LocalServer server_;
  MessageRecorder messages_;
};

// The frameset page for `base`.
std::string Page(const std::string& base) {
  return "<html>\n<head>\n<title>\n</title>\n<meta http-equiv=\"Content-Type\" "
         "content=\"text/html; charset=iso-8859-1\">\n</head>\n<frameset rows=\"100%,*\" "
         "cols=\"100%\" border=\"0\" framespacing=\"0\">\n<frame name=\"mask\" src=\"" +
         base +
         "/Mossgate.htm\" frameborder=\"NO\"scrolling=\"AUTO\">\n</frameset>\n<noframes>\n"
         "<body bgcolor=\"#FFFFFF\">\n</body>\n</noframes>\n</html>";
}

// Each row starts from its own previous list. A row without a site ends in a message: "Error" for
// an empty list (kept as received), "Warning" for a failed GET; both leave the previous list and
// the page alone.
TEST_F(DownloadList, ComparesEachListWithThePreviousOne) {
  struct Row {
    std::string old_list, list, announced, site = "@";
    int status = 200;
  };
  const Message empty{"download_list.txt was empty\nplease delete it and restart the application",
                      "Error"};
  const Message warning{
      "Could not get DownLoadList.txt\nYou will not be informed of new downloads "
      "&\nmight not be able to view the online help",
      "Warning"};
  const std::string refused = LocalServer().BaseUrl();  // nobody listens there once it is gone
  const std::vector<Row> rows = {
      {"@\nA\nB\n", "@\nA\nB\n", ""},
      // New entries in the new list's order, twice if listed twice, compared whole and by case;
      // removed ones go unmentioned.
      {"@\nSpawn\nMap\nGone\n", "@\nZeta\nMap\nspawn\nTwo\nSpawn \nTwo\nSpawn\n",
       "Zeta\nspawn\nTwo\nSpawn \nTwo\n"},
      {"@\n", "@\n@\n", "@\n"},                           // the old site line is no entry
      {"@\nKnown\n", "@/moved\nKnown\n", "", "@/moved"},  // a moved site counts at once
      {"@\n", "\nEntry\n", "Entry\n"},                    // a blank site line keeps the old one
      {"@\n", "@\nComplete\nUnfinished", "Complete\n"},   // a line without its LF is no line
      {"@\nComplete\nUnfinished", "@\nComplete\nUnfinished\n", "Unfinished\n"},
      {"@\nKnown\n", "@\r\nKnown\r\nNew\r\n", "New\n"},
      {"@\r\nA\rB\nC\r\n", "@\nA\rB\r\nC\r\r\n", "C\r\n"},  // only a CR right before an LF goes
      {"@\n", "@\nCaf\xe9 \xff\n\tTab \n\nafter a blank\ntail",
       "Caf\xe9 \xff\n\tTab \n\nafter a blank\n"},
      {"@\nKnown\n", "", "", ""},
      {"@\nKnown\n", "http://elsewhere.example", "", ""},
      {"@\nKnown\n", "@\nNew\n", "", "", 500},
      {"@\nKnown\n", "@\nNew\n", "", "", 0},             // trickles: given up 10 s after asking
      {refused + "\nKnown\n", "@\nNew\n", "", "", 404},  // nobody listens
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    WriteFile(File("DownLoadList_old.txt"), Url(row.old_list));
    WriteFile(File("DownLoadList.txt"), "left over\n");
    WriteFile(File("Mossgate.html"), "stale");
    server_.Serve("/DownLoadList.txt", {Url(row.list)}, row.status);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Message> shown = Check();
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(row.status || (waited.count() > 9 && waited.count() < 20));
    const bool got = row.status == 200, kept = got && !row.site.empty();
    const std::vector<Message> announced = {
        {Url(row.announced), "New Downloads At The Mossgate Web Site"}};
    EXPECT_EQ(shown, kept ? (row.announced.empty() ? std::vector<Message>{} : announced)
                          : std::vector<Message>{got ? empty : warning});
    EXPECT_EQ(help_base_url + bundled_help_page, Url(row.site));  // the site's help, or none
    EXPECT_EQ(ReadFile(File("Mossgate.html")), kept ? Page(Url(row.site)) : "stale");
    EXPECT_EQ(ReadFile(File("DownLoadList.txt")), got ? Url(row.list) : "left over\n");
    EXPECT_EQ(ReadFile(File("DownLoadList_old.txt")), Url(kept ? row.list : row.old_list));
    EXPECT_TRUE(fs::is_empty(program_));  // nothing lands in the program's own folder
  }
  // Always asked at the old list's site, a CR after it dropped.
  EXPECT_EQ(server_.requests, std::vector<std::string>(rows.size() - 1, "/DownLoadList.txt"));
}

// No site named in the old list (no list, a blank line 0, a folder in its place): nothing is
// asked, said or written, and the help is the page beside the program.
TEST_F(DownloadList, WithoutASiteNothingIsAskedAndTheHelpIsTheBundledPage) {
  for (const std::string old_list : {"", "\nOne\n", "folder"}) {
    if (old_list == "folder") fs::remove(File("DownLoadList_old.txt"));
    if (old_list == "folder") fs::create_directory(File("DownLoadList_old.txt"));
    if (old_list == "\nOne\n") WriteFile(File("DownLoadList_old.txt"), old_list);
    EXPECT_EQ(Check(), std::vector<Message>{});
    EXPECT_EQ(help_base_url + " " + bundled_help_page, " " + program_ + "/help.html");
    EXPECT_FALSE(fs::exists(File("DownLoadList.txt")) || fs::exists(File("Mossgate.html")));
  }
}

// The real box shows bytes above 127 as the Latin-1 characters they are, whatever the locale.
TEST(MessageBox, ShowsTheBytesOfAFileAsLatin1) {
  QString shown;
  QTimer close;
  QObject::connect(&close, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text();
      box->accept();
    }
  });
  close.start(10);
  ui::ShowMessage("Caf\xe9 \xff\n", "New Downloads At The Mossgate Web Site");
  EXPECT_EQ(shown.toStdString(), "Caf\u00e9 \u00ff\n");
}

}  // namespace
}  // namespace tarnwick::test
