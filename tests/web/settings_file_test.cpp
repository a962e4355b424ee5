// The settings file as the main window reads it on its first show and writes it when hidden.
#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <climits>
#include <filesystem>
#include <memory>
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

using web_test::Exists;
using web_test::MessageRecorder;
using web_test::ReadFile;
using web_test::TempDir;
using web_test::WriteFile;

using Numbers = std::array<int32_t, Settings::kNumberCount>;

// One run of the program: the three windows made as start-up makes them.
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
    return {form.x(),
            form.y(),
            form.width(),
            form.height(),
            help.x(),
            help.y(),
            help.width(),
            help.height(),
            picker.x(),
            picker.y(),
            picker.width(),
            picker.height(),
            static_cast<int32_t>(form.view_offset),
            static_cast<int32_t>(form.front_plane),
            static_cast<int32_t>(form.back_plane),
            static_cast<int32_t>(form.speed),
            static_cast<int32_t>(form.min_distance),
            form.DrawModeComboBox->ItemIndex(),
            form.LightingModeComboBox->ItemIndex(),
            form.ScaleBar->value(),
            (form.CullingCheckBox->isChecked() ? 1 : 0) | (form.DrawEntitys->isChecked() ? 2 : 0)};
  }

  TForm1 form;
  TForm3 help;
  TForm4 picker;
};

// Values that differ from everything the constructors give, and that no window limit changes.
Settings Remembered() {
  Settings s;
  s.numbers = {40,  50,   700, 500,  150, 160, 320, 240, 210, 220, 300,
               350, 1500, 12,  8000, 3,   64,  2,   1,   250, 2};
  s.last_map_path = "/srv/maps/big hall \xe9t\xe9.bsp";
  s.last_fgd_path = "/srv/fgd/entit\xe9s \x80\xff.fgd";
  return s;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(TARNWICK_DATA_DIR "/Config.cfg", dir_.Path() + "/Config.cfg");
    help_base_url.clear();  // the help page fails at once, without any network
    NewProcess();
  }
  // What a new start of the program begins with.
  static void NewProcess() {
    help_window_bounds = {};
    picker_window_bounds = {};
  }

  std::string Path() const { return dir_.Path() + "/settings.twk"; }
  Settings Written() const {
    auto s = ReadSettings(Path());
    EXPECT_TRUE(s);
    return s.value_or(Settings{});
  }

  TempDir dir_;
  MessageRecorder messages_;
};

TEST_F(SettingsFileTest, FirstRunShowsTheConstructorsValues) {
  ProgramRun run(dir_.Path());
  run.Show();
  EXPECT_EQ(run.form.OffsetEdit->Text(), "1000");
  EXPECT_EQ(run.form.FrontPlanEdit->Text(), "601");
  EXPECT_EQ(run.form.BackPlanEdit->Text(), "10000");
  EXPECT_EQ(run.form.SpeadEdit->Text(), "10");
  EXPECT_EQ(run.form.MinDisEdit->Text(), "90");
  EXPECT_EQ(run.form.view_offset, 1000);
  EXPECT_EQ(run.form.front_plane, 601);
  EXPECT_EQ(run.form.back_plane, 10000);
  EXPECT_EQ(run.form.speed, 10);
  EXPECT_EQ(run.form.min_distance, 90);
  EXPECT_EQ(run.form.DrawModeComboBox->currentText().toStdString(), "Lines");
  EXPECT_EQ(run.form.LightingModeComboBox->currentText().toStdString(), "SunLight");
  EXPECT_EQ(run.form.ScaleBar->value(), 1000);
  EXPECT_TRUE(run.form.CullingCheckBox->isChecked());
  EXPECT_TRUE(run.form.DrawEntitys->isChecked());
  EXPECT_EQ(run.form.last_map_path, "");
  EXPECT_EQ(run.form.last_fgd_path, "");
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_FALSE(Exists(Path()));  // reading creates nothing
}

TEST_F(SettingsFileTest, ClosingWithoutAMapWritesTheFile) {
  ProgramRun run(dir_.Path());
  run.Show();
  const Numbers observed = run.Observed();
  run.Close();
  ASSERT_TRUE(Exists(Path()));
  EXPECT_EQ(ReadFile(Path()).size(), 86u);
  const Settings s = Written();
  EXPECT_EQ(s.numbers[0], observed[0]);
  EXPECT_EQ(s.numbers[2], observed[2]);
  EXPECT_EQ(s.numbers[3], observed[3]);
  // The other windows never recorded anything; the view values are the constructor's.
  EXPECT_EQ(s.numbers,
            (Numbers{observed[0], observed[1], observed[2], observed[3], 0,  0,  0, 0, 0,    0, 0,
                     0,           1000,        601,         10000,       10, 90, 1, 0, 1000, 3}));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, EveryValueComesBackAfterAClose) {
  Settings first;
  {
    ProgramRun run(dir_.Path());
    run.Show();
    run.form.move(40, 50);
    run.form.resize(700, 500);
    run.help.show();
    run.help.move(150, 160);
    run.help.resize(320, 240);
    run.picker.show();
    run.picker.move(210, 220);
    run.picker.resize(300, 350);
    run.picker.hide();
    run.form.OffsetEdit->SetText("1500");
    run.form.FrontPlanEdit->SetText("12");
    run.form.BackPlanEdit->SetText("8000");
    run.form.SpeadEdit->SetText("3");
    run.form.MinDisEdit->SetText("64");
    run.form.DrawModeComboBox->SetItemIndex(-1);  // no drawing mode chosen
    run.form.LightingModeComboBox->SetItemIndex(1);
    run.form.ScaleBar->setValue(250);
    run.form.CullingCheckBox->setChecked(false);
    run.form.last_map_path = Remembered().last_map_path;
    run.form.last_fgd_path = Remembered().last_fgd_path;
    QTest::qWait(20);
    run.Close();
    first = Written();
    Numbers expected = Remembered().numbers;
    expected[17] = -1;
    EXPECT_EQ(first.numbers, expected);
    EXPECT_EQ(first.last_map_path, Remembered().last_map_path);
    EXPECT_EQ(first.last_fgd_path, Remembered().last_fgd_path);
  }
  const std::string bytes = ReadFile(Path());

  NewProcess();
  ProgramRun run(dir_.Path());
  run.Show();
  EXPECT_EQ(run.Observed(), first.numbers);
  EXPECT_EQ(run.form.OffsetEdit->Text(), "1500");
  EXPECT_EQ(run.form.FrontPlanEdit->Text(), "12");
  EXPECT_EQ(run.form.BackPlanEdit->Text(), "8000");
  EXPECT_EQ(run.form.SpeadEdit->Text(), "3");
  EXPECT_EQ(run.form.MinDisEdit->Text(), "64");
  EXPECT_EQ(run.form.DrawModeComboBox->currentIndex(), -1);
  EXPECT_EQ(run.form.LightingModeComboBox->currentText().toStdString(), "LampLight");
  EXPECT_FALSE(run.form.CullingCheckBox->isChecked());
  EXPECT_TRUE(run.form.DrawEntitys->isChecked());
  EXPECT_EQ(run.form.last_map_path, Remembered().last_map_path);
  EXPECT_EQ(run.form.last_fgd_path, Remembered().last_fgd_path);
  // The help window and the picker stayed hidden in this run, yet took their places from the file
  // and recorded them, so the next file keeps them.
  EXPECT_FALSE(run.help.isVisible());
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{150, 160, 320, 240}));
  EXPECT_EQ(picker_window_bounds, (std::array<int32_t, 4>{210, 220, 300, 350}));
  run.Close();
  EXPECT_EQ(ReadFile(Path()), bytes);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, FractionsAreCutTowardZero) {
  {
    ProgramRun run(dir_.Path());
    run.Show();
    run.form.SpeadEdit->SetText("2.5");
    run.form.MinDisEdit->SetText("-7.75");
    run.form.view_offset = -3.7f;
    run.form.front_plane = 601.9f;
    run.form.back_plane = 9999.99f;
    EXPECT_EQ(run.form.speed, 2.5f);
    run.Close();
  }
  const Settings s = Written();
  EXPECT_EQ((std::array<int32_t, 5>{s.numbers[12], s.numbers[13], s.numbers[14], s.numbers[15],
                                    s.numbers[16]}),
            (std::array<int32_t, 5>{-3, 601, 9999, 2, -7}));

  NewProcess();
  ProgramRun run(dir_.Path());
  run.Show();
  EXPECT_EQ(run.form.SpeadEdit->Text(), "2");
  EXPECT_EQ(run.form.speed, 2);
  EXPECT_EQ(run.form.OffsetEdit->Text(), "-3");
  EXPECT_EQ(run.form.view_offset, -3);
  EXPECT_EQ(run.form.MinDisEdit->Text(), "-7");
  EXPECT_EQ(run.form.min_distance, -7);
}

TEST_F(SettingsFileTest, ANeverShownHelpWindowIsSavedAsZerosAndComesBackAtItsMinimum) {
  {
    ProgramRun run(dir_.Path());
    run.Show();
    run.Close();
  }
  const Settings s = Written();
  EXPECT_EQ((std::array<int32_t, 8>{s.numbers[4], s.numbers[5], s.numbers[6], s.numbers[7],
                                    s.numbers[8], s.numbers[9], s.numbers[10], s.numbers[11]}),
            (std::array<int32_t, 8>{}));

  NewProcess();
  ProgramRun run(dir_.Path());
  run.Show();
  EXPECT_EQ(run.help.geometry(), QRect(0, 0, 100, 30));
  EXPECT_EQ(run.picker.geometry(), QRect(0, 0, 256, 300));
  EXPECT_EQ(help_window_bounds, (std::array<int32_t, 4>{0, 0, 100, 30}));
  run.help.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&run.help));
  EXPECT_EQ(run.help.size(), QSize(100, 30));
  EXPECT_EQ(run.help.CppWebBrowser1->geometry(), QRect(0, 0, 100, 30));
}

TEST_F(SettingsFileTest, ValuesOutsideTheControlsAreHeldByThem) {
  Settings s = Remembered();
  s.numbers[2] = 10;  // the main window's minimum is 620 x 440
  s.numbers[3] = -400;
  s.numbers[17] = 7;  // no such drawing mode: nothing selected
  s.numbers[18] = -1;
  s.numbers[19] = 5000;  // the scale bar's range is 1 to 1000
  s.numbers[20] = ~0;    // unknown flag bits are ignored
  ASSERT_TRUE(WriteSettings(Path(), s));
  ProgramRun run(dir_.Path());
  run.Show();
  EXPECT_EQ(run.form.size(), QSize(620, 440));
  EXPECT_EQ(run.form.DrawModeComboBox->ItemIndex(), -1);
  EXPECT_EQ(run.form.LightingModeComboBox->ItemIndex(), -1);
  EXPECT_EQ(run.form.ScaleBar->value(), 1000);
  EXPECT_TRUE(run.form.CullingCheckBox->isChecked());
  EXPECT_TRUE(run.form.DrawEntitys->isChecked());
  run.Close();
  const Settings written = Written();
  EXPECT_EQ(written.numbers[17], -1);
  EXPECT_EQ(written.numbers[18], -1);
  EXPECT_EQ(written.numbers[19], 1000);
  EXPECT_EQ(written.numbers[20], 3);
}

// A file cut anywhere applies the numbers it holds whole, in order, and nothing after them.
TEST_F(SettingsFileTest, ACutFileAppliesOnlyItsWholeNumbers) {
  Numbers defaults;
  {
    ProgramRun run(dir_.Path());
    run.Show();
    defaults = run.Observed();
    run.form.hide();  // no file yet: keep it that way
    std::filesystem::remove(Path());
  }
  ASSERT_TRUE(WriteSettings(Path(), Remembered()));
  const std::string full = ReadFile(Path());
  const Numbers remembered = Remembered().numbers;
  const size_t map_end = full.find('\0', 84);
  // Each number cut before, inside and after; each path cut inside and at its end.
  const std::vector<size_t> lengths = {0,  3,  7,  32, 47, 48,          52,          68,
                                       72, 76, 80, 83, 84, map_end + 1, map_end + 3, full.size()};
  for (const size_t length : lengths) {
    SCOPED_TRACE("length " + std::to_string(length));
    WriteFile(Path(), full.substr(0, length));
    NewProcess();
    ProgramRun run(dir_.Path());
    run.form.last_map_path = "kept map";
    run.form.last_fgd_path = "kept fgd";
    run.Show();
    Numbers expected = defaults;
    for (size_t i = 0; i < std::min<size_t>(length / 4, expected.size()); ++i) {
      expected[i] = remembered[i];
    }
    EXPECT_EQ(run.Observed(), expected);
    if (length < 84) {
      EXPECT_EQ(run.form.last_map_path, "kept map");
      EXPECT_EQ(run.form.last_fgd_path, "kept fgd");
    } else {
      EXPECT_EQ(run.form.last_map_path, full.substr(84, std::min(length, map_end) - 84));
      EXPECT_EQ(run.form.last_fgd_path,
                length <= map_end + 1
                    ? ""
                    : full.substr(map_end + 1, std::min(length, full.size() - 1) - map_end - 1));
    }
    run.form.hide();
  }
}

TEST_F(SettingsFileTest, GarbageNeverBringsTheWindowDown) {
  std::mt19937 random(777);
  std::vector<std::string> files;
  files.push_back(std::string(84, '\xff'));  // every number -1
  std::string extremes;
  for (int i = 0; i < Settings::kNumberCount; ++i) {
    const int32_t n = i % 2 ? INT32_MAX : INT32_MIN;
    extremes += std::string(reinterpret_cast<const char*>(&n), 4);
  }
  files.push_back(extremes);
  std::string opposite;
  for (int i = 0; i < Settings::kNumberCount; ++i) {
    const int32_t n = i % 2 ? INT32_MIN : INT32_MAX;
    opposite += std::string(reinterpret_cast<const char*>(&n), 4);
  }
  files.push_back(opposite);
  for (int i = 0; i < 6; ++i) {
    std::string bytes(random() % 120, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    files.push_back(bytes);
  }
  for (const std::string& bytes : files) {
    WriteFile(Path(), bytes);
    NewProcess();
    ProgramRun run(dir_.Path());
    run.Show();
    // No window larger than the desktop, nor smaller than its minimum.
    const QSize desktop = run.form.screen()->virtualSize();
    for (const QWidget* window :
         {static_cast<const QWidget*>(&run.form), static_cast<const QWidget*>(&run.help),
          static_cast<const QWidget*>(&run.picker)}) {
      EXPECT_GE(window->width(), window->minimumWidth());
      EXPECT_GE(window->height(), window->minimumHeight());
      EXPECT_LE(window->width(), std::max(desktop.width(), window->minimumWidth()));
      EXPECT_LE(window->height(), std::max(desktop.height(), window->minimumHeight()));
    }
    EXPECT_GE(run.form.ScaleBar->value(), 1);
    EXPECT_LE(run.form.ScaleBar->value(), 1000);
    run.form.RenderView();
    run.Close();
    EXPECT_TRUE(Exists(Path()));
  }
}

TEST_F(SettingsFileTest, AnUnwritableFileIsSkippedSilently) {
  std::filesystem::create_directory(Path());  // a folder where the file would go
  ProgramRun run(dir_.Path());
  run.Show();
  run.Close();
  EXPECT_TRUE(std::filesystem::is_directory(Path()));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, HelpTwiceLeavesOneHelpWindowShown) {
  ProgramRun run(dir_.Path());
  run.Show();
  run.form.HelpClick();
  run.form.HelpClick();
  EXPECT_TRUE(run.help.isVisible());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&run.help));
  int help_windows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    help_windows += dynamic_cast<TForm3*>(w) && w->isVisible();
  }
  EXPECT_EQ(help_windows, 1);
}

}  // namespace
}  // namespace tarnwick
