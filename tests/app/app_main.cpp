// The windows need a display and an application object before any test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    std::fputs("app_test: the windows need a display; run under xvfb-run -a\n", stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QFont font = QApplication::font();
  font.setPixelSize(11);  // as the program sets it: the controls are placed for a small font
  QApplication::setFont(font);
  return RUN_ALL_TESTS();
}
