#include "web/help_window.h"

#include <QImage>
#include <QTest>
#include <QTextCursor>

#include "web/download_list.h"
#include "web_test.h"

namespace tarnwick::test {
namespace {

const std::string kHelpPath = "/HL_Tarnwick/Help/HelpFile.html";

bool Shows(const TForm3& help, const std::string& text) {
  return help.CppWebBrowser1->toPlainText().toStdString().find(text) != std::string::npos;
}

// The help page comes from the local server, as if the download list had named it. Failures show
// in the view, never in a box.
class HelpWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    help_base_url = server_.BaseUrl();
    bundled_help_page.clear();
  }
  void TearDown() override { EXPECT_TRUE(messages_.shown.empty()); }

  LocalServer server_;
  MessageRecorder messages_;
};

TEST_F(HelpWindow, ShowsTheSitesPageAndRefreshesOnceAfterEachNavigation) {
  const std::string image = "/HL_Tarnwick/Help/k.pbm", topic = "/HL_Tarnwick/Help/Topics/S.html";
  server_.Serve(image, {"P1 8 6 " + QByteArray("0 ").repeated(48).toStdString()});
  server_.Serve(kHelpPath, {"<p>first load</p>",
                            "<p>Reloaded: <a href=\"Topics/S.html\">spawn points</a>.</p><img "
                            "src=\"k.pbm\">"});
  server_.Serve(topic, {"<p>spawns, loaded</p>", "<p>spawns, refreshed</p>"});
  TForm3 help;  // loads at once, while hidden
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "Reloaded"); }));
  help.show();  // showing loads nothing more
  QTest::qWait(400);
  // One GET for the navigation, one for its refresh, and one for the image, not one per layout
  // until it arrives.
  EXPECT_EQ(server_.requests, (std::vector<std::string>{kHelpPath, kHelpPath, image}));
  QTextDocument* page = help.CppWebBrowser1->document();
  EXPECT_EQ(page->resource(QTextDocument::ImageResource, QUrl("k.pbm")).value<QImage>().size(),
            QSize(8, 6));
  QTextCursor inside(page);  // a click in the middle of the link's text
  inside.setPosition(page->find("spawn points").selectionStart() + 3);
  QTest::mouseClick(help.CppWebBrowser1->viewport(), Qt::LeftButton, {},
                    help.CppWebBrowser1->cursorRect(inside).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "spawns, refreshed"); }));
  QTest::qWait(400);
  EXPECT_EQ(server_.requests,
            (std::vector<std::string>{kHelpPath, kHelpPath, image, topic, topic}));
}

TEST_F(HelpWindow, AFailedPageShowsTheViewsOwnTextAndWithoutASiteTheBundledPage) {
  server_.Serve(kHelpPath, {"gone"}, 404);
  for (const std::string& base : {server_.BaseUrl(), std::string()}) {  // without a site: the path
    help_base_url = base;
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "could not be loaded"); }));
    QTest::qWait(400);
    EXPECT_TRUE(Shows(help, base + kHelpPath));
  }
  EXPECT_EQ(server_.requests, std::vector<std::string>(2, kHelpPath));  // no reload loop
  server_.Serve(kHelpPath, {""}, 0);  // never answers: the window goes while its page loads
  help_base_url = server_.BaseUrl();
  {
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_.requests.size() == 3; }));
  }
  QTest::qWait(100);  // anything the closed window left behind runs now
  bundled_help_page = QCoreApplication::applicationDirPath().toStdString() + "/help.html";
  TForm3 help;
  EXPECT_TRUE(QTest::qWaitFor([&] { return Shows(help, "Flying the camera"); }));
  EXPECT_EQ(server_.requests.size(), 3u);
}

}  // namespace
}  // namespace tarnwick::test
