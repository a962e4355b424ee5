// The settings file as the main window reads it on its first show and writes it when hidden.
#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "config/settings.h"
#include "qt_support.h"
#include "test_files.h"
#include "web/help_window.h"

namespace tarnwick {
namespace {

using namespace web_test;
using Numbers = std::array<int32_t, Settings::kNumberCount>;

// One run of the program, in a new process: the three windows made as start-up makes them.
struct ProgramRun {
  // Shown at once, with `paths` in place of both paths until the file is read.
  explicit ProgramRun(const std::string& dir, const char* paths = "")
      : form(dir, ""), picker(form) {
    form.help = &help;
    form.picker = &picker;
    form.last_map_path = form.last_fgd_path = paths;
    form.show();
    QTest::qWait(20);  // let the first frames be drawn
  }
  ~ProgramRun() { form.close(); }
  // Set before the windows are made: a new process starts with no bounds recorded.
  int reset = (help_window_bounds = {}, picker_window_bounds = {}, 0);
  TForm1 form;
  TForm3 help;
  TForm4 picker;
};

const Numbers kRemembered = {40,  50,   800, 500,  150, 160, 320, 240, 210, 220, 300,
                             350, 1500, 12,  8000, 3,   -64, -1,  1,   250, 2};
const std::string kMap = "/srv/maps/big hall \xe9t\xe9.bsp",
                  kFgd = "/srv/fgd/entit\xe9s \x80\xff.fgd";

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(TARNWICK_DATA_DIR "/Config.cfg", dir_.path + "/Config.cfg");
  }
  void TearDown() override { EXPECT_TRUE(messages_.shown.empty()); }
  Numbers Written() const { return ReadSettings(path_).value_or(Settings{}).numbers; }

  TempDir dir_;
  std::string path_ = dir_.path + "/settings.twk";
  MessageRecorder messages_;
};

TEST_F(SettingsFileTest, EveryValueComesBackAfterAClose) {
  {
    ProgramRun run(dir_.path);
    run.form.setGeometry(40, 50, 800, 500);
    EXPECT_EQ(run.help.geometry(), QRect(0, 0, 600, 400));  // the help window's first place
    run.help.show();
    run.help.setGeometry(150, 160, 320, 240);  // recorded by the window, its page follows
    ASSERT_TRUE(QTest::qWaitFor([&] { return run.help.CppWebBrowser1->width() == 320; }));
    run.picker.show();
    run.picker.setGeometry(210, 220, 300, 350);
    run.picker.hide();
    run.form.OffsetEdit->SetText("1500");
    run.form.FrontPlanEdit->SetText("12");
    run.form.BackPlanEdit->SetText("8000");
    run.form.SpeadEdit->SetText("3.5");
    run.form.MinDisEdit->SetText("-64.75");
    run.form.back_plane = 8000.99f;               // fractions are cut toward zero
    run.form.DrawModeComboBox->SetItemIndex(-1);  // no drawing mode chosen
    run.form.LightingModeComboBox->SetItemIndex(1);
    run.form.ScaleBar->setValue(250);
    run.form.CullingCheckBox->setChecked(false);
    run.form.last_map_path = kMap;
    run.form.last_fgd_path = kFgd;
    QTest::qWait(20);
  }
  const std::string bytes = ReadFile(path_);
  EXPECT_EQ(bytes.size(), 86 + kMap.size() + kFgd.size());
  EXPECT_EQ(Written(), kRemembered);

  ProgramRun run(dir_.path);
  EXPECT_EQ(run.form.SpeadEdit->Text(), "3");
  EXPECT_EQ(run.form.MinDisEdit->Text(), "-64");
  // Every value came back and is written again alike, the bounds of the help window and the
  // picker too: they stay hidden, yet take their places from the file and record them.
  run.form.close();
  EXPECT_EQ(ReadFile(path_), bytes);
}

// The first run saves the never-shown windows at their own places. Bounds of no width or height
// (as earlier runs saved them) are no places: the windows keep their own, and save them. A cut
// file applies the numbers it holds whole, in order, and nothing after them. Garbage and extreme
// numbers are held by the controls, and no window leaves its minimum or the desktop.
TEST_F(SettingsFileTest, AFirstRunsCutOrGarbledFileNeverBringsTheWindowsDown) {
  std::make_unique<ProgramRun>(dir_.path).reset();  // a first run, without a file
  const Numbers first = Written();
  std::vector<std::string> files = {ReadFile(path_), std::string(84, '\xff'), ""};  // every -1
  EXPECT_EQ(files[0].size(), 86u);
  EXPECT_EQ(first, (Numbers{first[0], first[1], first[2], first[3], 0,  0,  600, 400, 101,  60, 256,
                            300,      1000,     601,      10000,    10, 90, 1,   0,   1000, 3}));
  files[0].replace(16, 32, 32, '\0');
  for (int i = 0; i < 11; ++i) files[2] += std::string("\xff\xff\xff\x7f\0\0\0\x80", 8);
  files.push_back(files[2].substr(4));  // the extremes, both ways round
  ASSERT_TRUE(WriteSettings(path_, Settings{kRemembered, 21, kMap, kFgd}));
  const std::string full = ReadFile(path_);
  for (const size_t length : {0, 7, 48, 83, 86}) files.push_back(full.substr(0, length));
  for (size_t f = 0; f < files.size(); ++f) {
    WriteFile(path_, files[f]);
    {
      ProgramRun run(dir_.path, "kept");
      const QSize desktop = run.form.screen()->virtualSize();
      for (const QWidget* w :
           std::initializer_list<const QWidget*>{&run.form, &run.help, &run.picker}) {
        EXPECT_GE(w->width(), w->minimumWidth());
        EXPECT_GE(w->height(), w->minimumHeight());
        EXPECT_LE(w->width(), std::max(desktop.width(), w->minimumWidth()));
        EXPECT_LE(w->height(), std::max(desktop.height(), w->minimumHeight()));
      }
      run.form.DrawFrame();
      if (f == 0) {
        EXPECT_EQ(run.help.geometry(), QRect(0, 0, 600, 400));
        EXPECT_EQ(run.picker.geometry(), QRect(101, 60, 256, 300));
      }
    }
    if (f == 0) {
      EXPECT_EQ(Written(), first);
    }
    if (f < 4) continue;  // the cuts of a good file, as the run that read them writes them:
    Numbers expected = first;
    std::copy_n(kRemembered.begin(), files[f].size() / 4, expected.begin());
    EXPECT_EQ(Written(), expected);
    EXPECT_EQ(ReadSettings(path_)->last_map_path,
              files[f].size() < 84 ? "kept" : kMap.substr(0, 2));
  }
}

}  // namespace
}  // namespace tarnwick
