#include "web/help_window.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "local_server.h"
#include "messages.h"
#include "web/download_list.h"

namespace tarnwick {
namespace {

using web_test::LocalServer;
using web_test::MessageRecorder;

const char kHelpPath[] = "/HL_Tarnwick/Help/HelpFile.html";

std::string Shown(const TForm3& help) {
  return help.CppWebBrowser1->toPlainText().toStdString();
}

bool Shows(const TForm3& help, const std::string& text) {
  return Shown(help).find(text) != std::string::npos;
}

// The help page comes from the local server, as if the download list had named it.
class HelpWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    help_base_url = server_.BaseUrl();
    help_window_bounds = {};
  }
  void TearDown() override { help_base_url.clear(); }

  // Lets any load still under way finish, and any refresh it would start be seen.
  static void Settle() { QTest::qWait(400); }

  LocalServer server_;
  MessageRecorder messages_;
};

TEST_F(HelpWindowTest, LoadsTheHelpPageAtOnceWhileHidden) {
  server_.Serve(kHelpPath,
                "<html><body><h1>Tarnwick help</h1><p>Fly with W, S, A and D.</p>"
                "</body></html>");
  TForm3 help;
  EXPECT_EQ(help.windowTitle().toStdString(), "Help Window");
  EXPECT_FALSE(help.isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "Fly with W, S, A and D."); }));
  EXPECT_TRUE(Shows(help, "Tarnwick help"));
  EXPECT_EQ(help.CppWebBrowser1->Location().toString().toStdString(),
            server_.BaseUrl() + kHelpPath);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(HelpWindowTest, RefreshesOnceAfterTheNavigationAndShowsTheReloadedPage) {
  server_.ServeInTurn(kHelpPath, {"<p>first load</p>", "<p>reloaded</p>", "<p>third load</p>"});
  TForm3 help;
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "reloaded"); }));
  Settle();
  // One GET for the navigation, one for its refresh; the refresh starts nothing further.
  EXPECT_EQ(server_.Count(kHelpPath), 2);
  EXPECT_TRUE(Shows(help, "reloaded"));
  EXPECT_EQ(server_.Requests().size(), 2u);
}

TEST_F(HelpWindowTest, ShowingTheWindowLoadsNothingMore) {
  server_.Serve(kHelpPath, "<p>help</p>");
  TForm3 help;
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Count(kHelpPath) == 2; }));
  Settle();
  help.show();
  help.hide();
  help.show();
  Settle();
  EXPECT_EQ(server_.Count(kHelpPath), 2);
  EXPECT_TRUE(Shows(help, "help"));
}

TEST_F(HelpWindowTest, AClickedLinkNavigatesAndRefreshesOnce) {
  const std::string second = "/HL_Tarnwick/Help/Topics/Spawns.html";
  server_.Serve(kHelpPath, "<p>Read about <a href=\"Topics/Spawns.html\">spawn points</a>.</p>");
  server_.ServeInTurn(second, {"<p>spawns, loaded</p>", "<p>spawns, refreshed</p>"});
  TForm3 help;
  help.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Count(kHelpPath) == 2; }));
  Settle();
  ASSERT_TRUE(Shows(help, "spawn points"));

  // Click in the middle of the link's text.
  HtmlView* view = help.CppWebBrowser1;
  QTextCursor link = view->document()->find("spawn points");
  ASSERT_FALSE(link.isNull());
  QTextCursor inside(view->document());
  inside.setPosition(link.selectionStart() + 3);
  const QPoint at = view->cursorRect(inside).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);

  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "spawns, refreshed"); }));
  Settle();
  EXPECT_EQ(server_.Count(second), 2);
  EXPECT_EQ(server_.Count(kHelpPath), 2);
  EXPECT_EQ(view->Location().toString().toStdString(), server_.BaseUrl() + second);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(HelpWindowTest, ALinkToAnotherPathIsResolvedAgainstThePageShown) {
  server_.Serve(kHelpPath, "<p>help</p>");
  server_.Serve("/Downloads/List.html", "<p>downloads</p>");
  TForm3 help;
  ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Count(kHelpPath) == 2; }));
  Settle();
  emit help.CppWebBrowser1->anchorClicked(QUrl("../../Downloads/List.html"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(help, "downloads"); }));
  Settle();
  EXPECT_EQ(server_.Count("/Downloads/List.html"), 2);
}

TEST_F(HelpWindowTest, AMissingPageShowsTheViewsOwnTextAndNoMessage) {
  server_.Fail(kHelpPath, 404);
  TForm3 help;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Shown(help).empty(); }));
  Settle();
  EXPECT_TRUE(Shows(help, "could not be loaded")) << Shown(help);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_GE(server_.Count(kHelpPath), 1);
  EXPECT_LE(server_.Count(kHelpPath), 2);  // no reload loop on a failing page
}

TEST_F(HelpWindowTest, WithoutABaseTheBarePathFailsInTheView) {
  help_base_url.clear();
  TForm3 help;
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Shown(help).empty(); }));
  Settle();
  EXPECT_TRUE(Shows(help, "could not be loaded")) << Shown(help);
  EXPECT_TRUE(Shows(help, kHelpPath)) << Shown(help);
  EXPECT_EQ(help.CppWebBrowser1->Location().toString().toStdString(), kHelpPath);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(server_.Requests().empty());
  help.show();  // the window opens all the same
  EXPECT_TRUE(help.isVisible());
}

TEST_F(HelpWindowTest, ImagesOfThePageAreLoadedFromTheSite) {
  QImage picture(8, 6, QImage::Format_RGB32);
  picture.fill(Qt::red);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(picture.save(&buffer, "PNG"));
  const std::string image_path = "/HL_Tarnwick/Help/images/keys.png";
  server_.Serve(kHelpPath, "<p>The keys:</p><img src=\"images/keys.png\">");
  server_.Serve(image_path, png.toStdString());

  TForm3 help;
  help.show();
  const auto image = [&] {
    return help.CppWebBrowser1->document()->resource(QTextDocument::ImageResource,
                                                     QUrl("images/keys.png"));
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return image().isValid(); }));
  EXPECT_EQ(image().value<QImage>().size(), QSize(8, 6));
  Settle();
  EXPECT_GE(server_.Count(image_path), 1);
  // At most once per page load, however many layouts ran before the image arrived.
  EXPECT_LE(server_.Count(image_path), 2);
  EXPECT_EQ(server_.Count(kHelpPath), 2);
}

TEST_F(HelpWindowTest, AWindowClosedWhileItsPageLoadsGoesQuietly) {
  server_.Hang(kHelpPath);
  {
    TForm3 help;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server_.Count(kHelpPath) == 1; }));
  }
  QTest::qWait(100);  // anything the closed window left behind runs now
  EXPECT_TRUE(messages_.shown.empty());
}

// Bounds: recorded by the window on every move, resize and hide.
class HelpWindowBoundsTest : public HelpWindowTest {
 protected:
  void SetUp() override {
    HelpWindowTest::SetUp();
    help_base_url.clear();  // no page needed
  }
};

TEST_F(HelpWindowBoundsTest, StartsAtTheTopLeftWith600By400) {
  TForm3 help;
  EXPECT_EQ(help.geometry(), QRect(0, 0, 600, 400));
  EXPECT_EQ(help.minimumSize(), QSize(100, 30));
  EXPECT_EQ(help.CppWebBrowser1->geometry(), help.rect());
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{0, 0, 0, 0}));  // nothing recorded yet
}

TEST_F(HelpWindowBoundsTest, RecordedOnResizeMoveAndHide) {
  TForm3 help;
  help.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));

  help.resize(320, 240);
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_window_bounds[2] == 320; }));
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{help.x(), help.y(), 320, 240}));
  EXPECT_EQ(help.CppWebBrowser1->geometry(), QRect(0, 0, 320, 240));

  help.move(150, 160);
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_window_bounds[0] == 150; }));
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{150, 160, 320, 240}));

  help_window_bounds = {};
  help.hide();
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{150, 160, 320, 240}));
}

TEST_F(HelpWindowBoundsTest, NeverSmallerThan100By30) {
  TForm3 help;
  help.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
  help.resize(10, 5);
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_window_bounds[2] != 0; }));
  EXPECT_EQ(help.size(), QSize(100, 30));
  EXPECT_EQ(help_window_bounds[2], 100);
  EXPECT_EQ(help_window_bounds[3], 30);
  EXPECT_EQ(help.CppWebBrowser1->geometry(), QRect(0, 0, 100, 30));
}

}  // namespace
}  // namespace tarnwick
