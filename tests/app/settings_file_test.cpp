// The settings file as the main window reads it on its first show and writes it when hidden.
#include <QTest>

#include "app_test.h"
#include "config/settings.h"

namespace tarnwick::test {

using Numbers = std::array<int32_t, Settings::kNumberCount>;

const Numbers kRemembered = {40,  50,   800, 500,  150, 160, 320, 240, 210, 220, 300,
                             350, 1500, 12,  8000, 3,   -64, -1,  1,   250, 2};
const std::string kMap = "/srv/maps/big hall \xe9t\xe9.bsp", kFgd = "/srv/fgd/\x80\xff.fgd";

class SettingsFile : public AppTest {
 protected:
  std::string File() const { return Path("settings.twk"); }
  Bytes Read() const { return ReadFileBytes(File()); }
  Numbers Written() const { return ReadSettings(File()).value_or(Settings{}).numbers; }
};

TEST_F(SettingsFile, EveryValueComesBackAfterAClose) {
  TForm1& form = Start();
  form.setGeometry(40, 50, 800, 500);
  EXPECT_EQ(help_->geometry(), QRect(0, 0, 600, 400));  // the help window's first place
  help_->show();
  help_->setGeometry(150, 160, 320, 240);  // recorded by the window; its page follows
  ASSERT_TRUE(QTest::qWaitFor([&] { return help_->CppWebBrowser1->width() == 320; }));
  picker_->show();
  picker_->setGeometry(210, 220, 300, 350);
  picker_->hide();
  form.OffsetEdit->SetText("1500");
  form.FrontPlanEdit->SetText("12");
  form.BackPlanEdit->SetText("8000");
  form.SpeadEdit->SetText("3.5");
  form.MinDisEdit->SetText("-64.75");
  form.back_plane = 8000.99f;               // fractions are cut toward zero
  form.DrawModeComboBox->SetItemIndex(-1);  // no drawing mode chosen
  form.LightingModeComboBox->SetItemIndex(1);
  form.ScaleBar->setValue(250);
  form.CullingCheckBox->setChecked(false);
  form.last_map_path = kMap;
  form.last_fgd_path = kFgd;
  Close();
  const Bytes bytes = Read();
  EXPECT_EQ(bytes.size(), 86 + kMap.size() + kFgd.size());
  EXPECT_EQ(Written(), kRemembered);
  // Every value comes back and is written again alike, the bounds of the help window and the
  // picker too: they stay hidden, yet take their places from the file and record them.
  Start();
  EXPECT_EQ(form_->SpeadEdit->Text() + " " + form_->MinDisEdit->Text(), "3 -64");
  Close();
  EXPECT_EQ(Read(), bytes);
}

// The first run saves the never-shown windows at their own places. Bounds of no width or height
// (as earlier runs saved them) are no places: the windows keep their own, and save them. A file
// cut short applies the numbers it holds whole, and nothing after them.
TEST_F(SettingsFile, AFirstRunsOrACutFileKeepsTheWindowsInPlace) {
  Start();
  Close();
  const Numbers first = Written();
  EXPECT_EQ(first, (Numbers{first[0], first[1], first[2], first[3], 0,  0,  600, 400, 101,  60, 256,
                            300,      1000,     601,      10000,    10, 90, 1,   0,   1000, 3}));
  Bytes zeros = Read();
  std::fill(zeros.begin() + 16, zeros.begin() + 48, 0);
  ASSERT_TRUE(WriteSettings(File(), Settings{kRemembered, 21, kMap, kFgd}));
  const Bytes full = Read();
  for (const Bytes& file : {zeros, Bytes(full.begin(), full.begin() + 48)}) {
    WriteFileBytes(File(), file);
    Start();
    const bool cut = file.size() == 48;
    EXPECT_EQ(help_->geometry(), cut ? QRect(150, 160, 320, 240) : QRect(0, 0, 600, 400));
    EXPECT_EQ(picker_->geometry(), cut ? QRect(210, 220, 300, 350) : QRect(101, 60, 256, 300));
    Close();
    Numbers expected = first;
    if (cut) std::copy_n(kRemembered.begin(), 12, expected.begin());
    EXPECT_EQ(Written(), expected);
  }
}

}  // namespace tarnwick::test
