// The download-list check and the help window, which talk HTTP only to the test's own server on
// 127.0.0.1, and the message box they speak through.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "web/download_list.h"
#include "web/help_window.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Messages = std::vector<std::pair<std::string, std::string>>;  // text, caption

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string ReadFile(const std::string& path) {
  return {std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}};
}

// Serves while the test's thread runs an event loop (the code under test does while it waits).
// Successive GETs of a target get its bodies in turn, the last repeated, and the connection is
// closed; unknown targets get 404. Status 0 sends a head, then one byte every 3 seconds for ever.
class LocalServer {
 public:
  LocalServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const auto read = [this, socket, head = std::make_shared<QByteArray>()] {
          *head += socket->readAll();
          if (head->contains("\r\n\r\n"))  // the whole head: "GET target ..."
            Answer(socket, std::exchange(*head, {}).split(' ').value(1).toStdString());
        };
        QObject::connect(socket, &QTcpSocket::readyRead, read);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) read();
      }
    });
  }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }
  void Serve(const std::string& target, Strings bodies, int status = 200) {
    answers_[target] = {status, std::move(bodies)};
  }

  Strings requests;  // every target asked, in order

 private:
  void Answer(QTcpSocket* socket, const std::string& target) {
    requests.push_back(target);
    auto& [status, bodies] = answers_.try_emplace(target, 404, Strings{"not here"}).first->second;
    if (status == 0) {
      socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
      auto* trickle = new QTimer(socket);
      QObject::connect(trickle, &QTimer::timeout, [socket] { socket->write("x"); });
      trickle->start(3000);
      return;
    }
    const std::string body = bodies.front();
    if (bodies.size() > 1) bodies.erase(bodies.begin());
    const std::string reply = "HTTP/1.1 " + std::to_string(status) +
                              " Status\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body;
    socket->write(reply.data(), static_cast<qint64>(reply.size()));
    socket->disconnectFromHost();
  }

  std::map<std::string, std::pair<int, Strings>> answers_;
  QTcpServer server_;  // last, so its sockets go before what they use
};

// Message boxes are recorded. The program folder lies in a base folder of its own, where the
// download-list check works. The help window's site is the local server.
class DownloadList : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(program_);
    ui::message_box = [this](const std::string& text, const std::string& caption, const Strings&) {
      shown_.emplace_back(text, caption);
      return 0;
    };
    help_base_url = server_.BaseUrl();
    bundled_help_page.clear();
  }
  void TearDown() override {
    EXPECT_EQ(shown_, Messages{});
    ui::message_box = real_box_;
    fs::remove_all(dir_);
  }
  std::string File(const std::string& name) const { return dir_ + "/" + name; }
  Messages Check() {  // as at the program's start: its messages
    help_base_url.clear();
    bundled_help_page.clear();
    CheckDownloadList(program_);
    return std::exchange(shown_, {});
  }
  bool Shows(const TForm3& help, const std::string& text) const {
    return help.CppWebBrowser1->toPlainText().toStdString().find(text) != std::string::npos;
  }

  const std::string dir_ = ::testing::TempDir() + "tarnwick_web_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                    program_ = dir_ + "/Tarnwick";
  const decltype(ui::message_box) real_box_ = ui::message_box;
  Messages shown_;
  LocalServer server_;
};

using HelpWindow = DownloadList;

// Each row from its own previous list. An empty list (kept as received) and a failed GET end in a
// message and leave the previous list and the page alone.
TEST_F(DownloadList, ComparesEachListWithThePreviousOne) {
  struct Row {
    std::string old_list, list, announced, site = "@";
    int status = 200;
  };
  const Messages empty = {
      {"download_list.txt was empty\nplease delete it and restart the application", "Error"}};
  const Messages failed = {
      {"Could not get DownLoadList.txt\nYou will not be informed of new "
       "downloads &\nmight not be able to view the online help",
       "Warning"}};
  const std::string refused = LocalServer().BaseUrl();  // nobody listens there once it is gone
  const std::vector<Row> rows = {
      // New entries in the new list's order, twice if listed twice, compared whole and by case;
      // removed ones go unmentioned.
      {"@\nSpawn\nMap\nGone\n", "@\nZeta\nMap\nspawn\nTwo\nSpawn \nTwo\nSpawn\n",
       "Zeta\nspawn\nTwo\nSpawn \nTwo\n"},
      {"@\n", "@\n@\n", "@\n"},                             // the old site line is no entry
      {"@\nKnown\n", "@/moved\nKnown\n", "", "@/moved"},    // a moved site counts at once
      {"@\n", "\nEntry\n", "Entry\n"},                      // a blank site line keeps the old one
      {"@\n", "@\nComplete\nUnfinished", "Complete\n"},     // a line without its LF is no line
      {"@\r\nA\rB\nC\r\n", "@\nA\rB\r\nC\r\r\n", "C\r\n"},  // only a CR right before an LF goes
      {"@\n", "@\nCaf\xe9 \xff\n\tTab \n\nafter a blank\ntail",
       "Caf\xe9 \xff\n\tTab \n\nafter a blank\n"},
      {"@\nKnown\n", "", "", ""},
      {"@\nKnown\n", "@\nNew\n", "", "", 0},             // trickles: given up 10 s after asking
      {refused + "\nKnown\n", "@\nNew\n", "", "", 404},  // nobody listens
  };
  const auto url = [&](std::string text) {  // every "@" the local server's URL
    for (size_t at; (at = text.find('@')) != std::string::npos;)
      text.replace(at, 1, server_.BaseUrl());
    return text;
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.list);
    WriteFile(File("DownLoadList_old.txt"), url(row.old_list));
    WriteFile(File("DownLoadList.txt"), "left over\n");
    WriteFile(File("Mossgate.html"), "stale");
    server_.Serve("/DownLoadList.txt", {url(row.list)}, row.status);
    const auto start = std::chrono::steady_clock::now();
    const Messages shown = Check();
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(row.status || (waited.count() > 9 && waited.count() < 20));
    const bool got = row.status == 200, kept = got && !row.site.empty();
    const Messages announced = {{url(row.announced), "New Downloads At The Mossgate Web Site"}};
    EXPECT_EQ(shown, kept  ? (row.announced.empty() ? Messages{} : announced)
                     : got ? empty
                           : failed);
    EXPECT_EQ(help_base_url + bundled_help_page, url(row.site));  // the site's help, or none
    const size_t framed = ReadFile(File("Mossgate.html")).find(url(row.site) + "/Mossgate.htm\"");
    EXPECT_EQ(framed != std::string::npos, kept);  // the frameset page of the site's help
    EXPECT_EQ(ReadFile(File("DownLoadList.txt")), got ? url(row.list) : "left over\n");
    EXPECT_EQ(ReadFile(File("DownLoadList_old.txt")), url(kept ? row.list : row.old_list));
    EXPECT_TRUE(fs::is_empty(program_));  // nothing lands in the program's own folder
  }
  // Always asked at the old list's site, a CR after it dropped.
  EXPECT_EQ(server_.requests, Strings(rows.size() - 1, "/DownLoadList.txt"));
}

// No site named in the old list (a folder in its place, no list, a blank line 0): nothing is
// asked, said or written, and the help is the page beside the program.
TEST_F(DownloadList, WithoutASiteNothingIsAskedAndTheHelpIsTheBundledPage) {
  for (const std::string old_list : {"", "\nOne\n", "folder"}) {
    fs::remove(File("DownLoadList_old.txt"));
    if (old_list == "folder") fs::create_directory(File("DownLoadList_old.txt"));
    if (old_list.starts_with('\n')) WriteFile(File("DownLoadList_old.txt"), old_list);
    EXPECT_EQ(Check(), Messages{});
    EXPECT_EQ(help_base_url + " " + bundled_help_page, " " + program_ + "/help.html");
    EXPECT_FALSE(fs::exists(File("DownLoadList.txt")) || fs::exists(File("Mossgate.html")));
  }
  EXPECT_EQ(server_.requests, Strings{});
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

// The site's page, refreshed once after each navigation; a failed page in the view's own text,
// never in a box and not asked again; without a site, the page beside the program.
TEST_F(HelpWindow, ShowsTheSitesPageRefreshedOnceAfterEachNavigationOrSaysWhyNot) {
  const std::string page = "/HL_Tarnwick/Help/HelpFile.html", topic = "/HL_Tarnwick/Help/S.html";
  server_.Serve(page, {"<p>first</p>", "<p>Reloaded: <a href=\"S.html\">spawn points</a>.</p>"});
  server_.Serve(topic, {"<p>spawns, loaded</p>", "<p>spawns, refreshed</p>"});
  {
    TForm3 help;  // loads at once, while hidden; showing loads nothing more
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "Reloaded"); }));
    help.show();
    QTextDocument* shown = help.CppWebBrowser1->document();
    QTextCursor inside(shown);  // a click in the middle of the link's text
    inside.setPosition(shown->find("spawn points").selectionStart() + 3);
    QTest::mouseClick(help.CppWebBrowser1->viewport(), Qt::LeftButton, {},
                      help.CppWebBrowser1->cursorRect(inside).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "spawns, refreshed"); }));
    QTest::qWait(400);
  }
  EXPECT_EQ(server_.requests, (Strings{page, page, topic, topic}));
  server_.Serve(page, {"gone"}, 404);
  {
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "could not be loaded"); }));
    QTest::qWait(400);
    EXPECT_TRUE(Shows(help, server_.BaseUrl() + page));
  }
  EXPECT_EQ(server_.requests.size(), 6u);
  server_.Serve(page, {""}, 0);  // never answers: the window goes while its page loads
  {
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_.requests.size() == 7; }));
  }
  QTest::qWait(100);  // anything the closed window left behind runs now
  bundled_help_page = QCoreApplication::applicationDirPath().toStdString() + "/help.html";
  TForm3 help;
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(help, "Flying the camera"); }));
  EXPECT_EQ(server_.requests.size(), 7u);
}

}  // namespace
}  // namespace tarnwick::test

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // before any window or network class
  // Only the tests' own server on 127.0.0.1 is ever asked: no proxy from the environment.
  QNetworkProxyFactory::setUseSystemConfiguration(false);
  QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
