#include "web/help_window.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QTextCursor>

#include "local_server.h"
#include "messages.h"
#include "web/download_list.h"

namespace tarnwick {
namespace {

using namespace web_test;

const std::string kHelpPath = "/HL_Tarnwick/Help/HelpFile.html";

bool Shows(const TForm3& help, const std::string& text) {
  return help.CppWebBrowser1->toPlainText().toStdString().find(text) != std::string::npos;
}

// The help page comes from the local server, as if the download list had named it.
class HelpWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { help_base_url = server_.BaseUrl(); }
  void TearDown() override { help_base_url.clear(); }
  // Lets any load still under way finish, and any refresh it would start be seen.
  static void Settle() { QTest::qWait(400); }
  std::string Location(const TForm3& help) const {
    return help.CppWebBrowser1->Location().toString().toStdString();
  }

  LocalServer server_;
  MessageRecorder messages_;
};

TEST_F(HelpWindowTest, ShowsTheSitesPageAndRefreshesOnceAfterEachNavigation) {
  QByteArray png;  // an 8 x 6 picture
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  QImage(8, 6, QImage::Format_RGB32).save(&buffer, "PNG");
  const std::string image = "/HL_Tarnwick/Help/images/keys.png";
  const std::string topic = "/HL_Tarnwick/Help/Topics/Spawns.html";
  server_.Serve(image, {png.toStdString()});
  server_.Serve(kHelpPath, {"<p>first load</p>",
                            "<p>Reloaded: <a href=\"Topics/Spawns.html\">spawn points</a>.</p>"
                            "<img src=\"images/keys.png\">"});
  server_.Serve(topic, {"<p>spawns, loaded</p>", "<p>spawns, refreshed</p>"});

  TForm3 help;  // loads at once, while hidden
  EXPECT_FALSE(help.isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "Reloaded"); }));
  help.show();
  help.hide();
  help.show();  // showing loads nothing more
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
  Settle();
  EXPECT_EQ(Location(help), server_.BaseUrl() + kHelpPath);
  EXPECT_EQ(server_.Count(kHelpPath), 2);
  // One request per image, not one per layout until it arrives.
  EXPECT_EQ(server_.Count(image), 1);
  EXPECT_EQ(help.CppWebBrowser1->document()
                ->resource(QTextDocument::ImageResource, QUrl("images/keys.png"))
                .value<QImage>()
                .size(),
            QSize(8, 6));

  // Following a link: a click in the middle of its text.
  HtmlView* view = help.CppWebBrowser1;
  QTextCursor inside(view->document());
  inside.setPosition(view->document()->find("spawn points").selectionStart() + 3);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(inside).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "spawns, refreshed"); }));
  Settle();
  EXPECT_EQ(Location(help), server_.BaseUrl() + topic);
  EXPECT_EQ(server_.requests.size(), 5u);  // two per page, one for the image
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(HelpWindowTest, AFailedPageShowsTheViewsOwnTextAndNoMessage) {
  server_.Serve(kHelpPath, {"gone"}, 404);
  for (const std::string& base : {server_.BaseUrl(), std::string()}) {  // without a site: the path
    help_base_url = base;
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "could not be loaded"); }));
    Settle();
    EXPECT_EQ(Location(help), base + kHelpPath);
    EXPECT_TRUE(Shows(help, base + kHelpPath));
  }
  EXPECT_EQ(server_.requests, std::vector<std::string>(2, kHelpPath));  // no reload loop
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(HelpWindowTest, AWindowClosedWhileItsPageLoadsGoesQuietly) {
  server_.Serve(kHelpPath, {""}, 0);  // never answers
  {
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Count(kHelpPath) == 1; }));
  }
  QTest::qWait(100);  // anything the closed window left behind runs now
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(HelpWindowTest, RecordsItsBoundsOnResizeMoveAndHide) {
  help_window_bounds = {};
  TForm3 help;
  EXPECT_EQ(help.windowTitle(), "Help Window");
  EXPECT_EQ(help.geometry(), QRect(0, 0, 600, 400));
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{}));  // nothing recorded yet
  help.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
  help.resize(10, 5);  // never smaller than 100 x 30
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_window_bounds[2] == 100; }));
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{help.x(), help.y(), 100, 30}));
  help.resize(320, 240);
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_window_bounds[2] == 320; }));
  EXPECT_EQ(help.CppWebBrowser1->geometry(), QRect(0, 0, 320, 240));
  help.move(150, 160);
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_window_bounds[0] == 150; }));
  help_window_bounds = {};
  help.hide();
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{150, 160, 320, 240}));
}

}  // namespace
}  // namespace tarnwick
