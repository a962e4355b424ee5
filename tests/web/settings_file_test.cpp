// The settings file as the main window reads it on its first show and writes it when hidden.
#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <climits>
#include <random>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "config/settings.h"
#include "messages.h"
#include "test_files.h"
#include "web/download_list.h"
#include "web/help_window.h"

namespace tarnwick {
namespace {

using namespace web_test;
using Numbers = std::array<int32_t, Settings::kNumberCount>;

// One run of the program: the three windows made as start-up makes them, in a new process.
struct ProgramRun {
  explicit ProgramRun(const std::string& dir) : form(dir, ""), picker(form) {
    form.help = &help;
    form.picker = &picker;
  }
  ~ProgramRun() { Close(); }
  void Show() {
    form.show();
    QTest::qWait(20);  // let the first frames be drawn
  }
  void Close() {
    if (form.isVisible()) form.close();
  }
  // The 21 values as the windows and controls hold them now, in the file's order.
  Numbers Observed() const {
    Numbers n{};
    int i = 0;
    for (const QWidget* w : std::initializer_list<const QWidget*>{&form, &help, &picker}) {
      for (const int v : {w->x(), w->y(), w->width(), w->height()}) n[i++] = v;
    }
    for (const float v :
         {form.view_offset, form.front_plane, form.back_plane, form.speed, form.min_distance}) {
      n[i++] = static_cast<int32_t>(v);
    }
    n[17] = form.DrawModeComboBox->ItemIndex();
    n[18] = form.LightingModeComboBox->ItemIndex();
    n[19] = form.ScaleBar->value();
    n[20] = (form.CullingCheckBox->isChecked() ? 1 : 0) | (form.DrawEntitys->isChecked() ? 2 : 0);
    return n;
  }

  int reset = (help_window_bounds = {}, picker_window_bounds = {}, 0);  // a new process's state
  TForm1 form;
  TForm3 help;
  TForm4 picker;
};

const Numbers kRemembered = {40,  50,   700, 500,  150, 160, 320, 240, 210, 220, 300,
                             350, 1500, 12,  8000, 3,   -64, -1,  1,   250, 2};
const std::string kMapPath = "/srv/maps/big hall \xe9t\xe9.bsp";
const std::string kFgdPath = "/srv/fgd/entit\xe9s \x80\xff.fgd";

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(TARNWICK_DATA_DIR "/Config.cfg", dir_.path + "/Config.cfg");
    help_base_url.clear();  // the help page fails at once, without any network
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
    run.Show();
    run.form.setGeometry(40, 50, 700, 500);
    run.help.show();
    run.help.setGeometry(150, 160, 320, 240);
    run.picker.show();
    run.picker.setGeometry(210, 220, 300, 350);
    run.picker.hide();
    run.form.OffsetEdit->SetText("1500");
    run.form.FrontPlanEdit->SetText("12");
    run.form.BackPlanEdit->SetText("8000");
    run.form.back_plane = 8000.99f;  // fractions are cut toward zero
    run.form.SpeadEdit->SetText("3.5");
    run.form.MinDisEdit->SetText("-64.75");
    run.form.DrawModeComboBox->SetItemIndex(-1);  // no drawing mode chosen
    run.form.LightingModeComboBox->SetItemIndex(1);
    run.form.ScaleBar->setValue(250);
    run.form.CullingCheckBox->setChecked(false);
    run.form.last_map_path = kMapPath;
    run.form.last_fgd_path = kFgdPath;
    QTest::qWait(20);
  }
  const std::string bytes = ReadFile(path_);
  EXPECT_EQ(bytes.size(), 86 + kMapPath.size() + kFgdPath.size());
  EXPECT_EQ(Written(), kRemembered);

  ProgramRun run(dir_.path);
  run.Show();
  EXPECT_EQ(run.Observed(), kRemembered);
  EXPECT_EQ((std::vector<std::string>{run.form.OffsetEdit->Text(), run.form.FrontPlanEdit->Text(),
                                      run.form.BackPlanEdit->Text(), run.form.SpeadEdit->Text(),
                                      run.form.MinDisEdit->Text()}),
            (std::vector<std::string>{"1500", "12", "8000", "3", "-64"}));
  EXPECT_EQ(run.form.last_map_path, kMapPath);
  EXPECT_EQ(run.form.last_fgd_path, kFgdPath);
  // The help window and the picker stay hidden, yet take their places from the file and record
  // them, so the next file keeps them.
  EXPECT_FALSE(run.help.isVisible());
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{150, 160, 320, 240}));
  EXPECT_EQ(picker_window_bounds, (std::array<int32_t, 4>{210, 220, 300, 350}));
  run.Close();
  EXPECT_EQ(ReadFile(path_), bytes);
}

TEST_F(SettingsFileTest, NeverShownWindowsAreSavedAsZerosAndComeBackAtTheirMinimum) {
  Numbers first;
  {
    ProgramRun run(dir_.path);
    run.Show();
    first = run.Observed();
  }
  EXPECT_EQ(ReadFile(path_).size(), 86u);
  EXPECT_EQ(Written(), (Numbers{first[0], first[1], first[2], first[3], 0,  0,  0, 0, 0,    0, 0,
                                0,        1000,     601,      10000,    10, 90, 1, 0, 1000, 3}));
  ProgramRun run(dir_.path);
  run.Show();
  EXPECT_EQ(run.help.geometry(), QRect(0, 0, 100, 30));
  EXPECT_EQ(run.picker.geometry(), QRect(0, 0, 256, 300));
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{0, 0, 100, 30}));
  run.help.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&run.help));
  EXPECT_EQ(run.help.CppWebBrowser1->geometry(), QRect(0, 0, 100, 30));
}

TEST_F(SettingsFileTest, ValuesOutsideTheControlsAreHeldByThem) {
  Settings s{kRemembered, 21, "", ""};
  s.numbers[2] = 10;  // the main window's minimum is 620 x 440
  s.numbers[3] = -400;
  s.numbers[17] = 7;     // no such drawing mode: nothing selected
  s.numbers[19] = 5000;  // the scale bar's range is 1 to 1000
  s.numbers[20] = ~0;    // unknown flag bits are ignored
  ASSERT_TRUE(WriteSettings(path_, s));
  {
    ProgramRun run(dir_.path);
    run.Show();
    EXPECT_EQ(run.form.size(), QSize(620, 440));
  }
  const Numbers written = Written();
  EXPECT_EQ((std::array{written[17], written[19], written[20]}), (std::array{-1, 1000, 3}));
}

// A file cut anywhere applies the numbers it holds whole, in order, and nothing after them.
TEST_F(SettingsFileTest, ACutFileAppliesOnlyItsWholeNumbers) {
  Numbers defaults;
  {
    ProgramRun run(dir_.path);
    run.Show();
    defaults = run.Observed();
    run.form.hide();  // no file yet: keep it that way
  }
  std::filesystem::remove(path_);
  ASSERT_TRUE(WriteSettings(path_, Settings{kRemembered, 21, kMapPath, kFgdPath}));
  const std::string full = ReadFile(path_);
  const size_t map_end = 84 + kMapPath.size();
  for (const size_t length : {0ul, 7ul, 47ul, 48ul, 68ul, 83ul, 84ul, map_end + 3, full.size()}) {
    SCOPED_TRACE(length);
    WriteFile(path_, full.substr(0, length));
    ProgramRun run(dir_.path);
    run.form.last_map_path = "kept map";
    run.form.last_fgd_path = "kept fgd";
    run.Show();
    Numbers expected = defaults;
    std::copy_n(kRemembered.begin(), std::min<size_t>(length / 4, 21), expected.begin());
    EXPECT_EQ(run.Observed(), expected);
    EXPECT_EQ(run.form.last_map_path,
              length < 84 ? "kept map" : full.substr(84, std::min(length, map_end) - 84));
    EXPECT_EQ(run.form.last_fgd_path,
              length < 84 ? "kept fgd"
              : length <= map_end + 1
                  ? ""
                  : full.substr(map_end + 1, std::min(length, full.size() - 1) - map_end - 1));
    run.form.hide();
  }
}

TEST_F(SettingsFileTest, GarbageNeverBringsTheWindowsDown) {
  std::mt19937 random(777);
  std::vector<std::string> files = {std::string(84, '\xff'), "", ""};  // every number -1, extremes
  for (int i = 0; i < Settings::kNumberCount; ++i) {
    const int32_t n[] = {INT32_MAX, INT32_MIN};
    files[1].append(reinterpret_cast<const char*>(&n[i % 2]), 4);
    files[2].append(reinterpret_cast<const char*>(&n[1 - i % 2]), 4);
  }
  for (int i = 0; i < 6; ++i) {
    std::string bytes(random() % 120, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    files.push_back(bytes);
  }
  for (const std::string& bytes : files) {
    WriteFile(path_, bytes);
    ProgramRun run(dir_.path);
    run.Show();
    // No window larger than the desktop, nor smaller than its minimum.
    const QSize desktop = run.form.screen()->virtualSize();
    for (const QWidget* w :
         std::initializer_list<const QWidget*>{&run.form, &run.help, &run.picker}) {
      EXPECT_GE(w->width(), w->minimumWidth());
      EXPECT_GE(w->height(), w->minimumHeight());
      EXPECT_LE(w->width(), std::max(desktop.width(), w->minimumWidth()));
      EXPECT_LE(w->height(), std::max(desktop.height(), w->minimumHeight()));
    }
    EXPECT_GE(run.form.ScaleBar->value(), 1);
    EXPECT_LE(run.form.ScaleBar->value(), 1000);
    run.form.RenderView();
  }
}

}  // namespace
}  // namespace tarnwick
