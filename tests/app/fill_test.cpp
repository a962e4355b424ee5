// The Fill button: the spawn planner run from the spawn-point panel, the question answered in
// place of the user.
#include "app_test.h"

namespace tarnwick::test {

class AppFill : public AppTest {
 protected:
  void TearDown() override {
    ui::question_dialog = nullptr;
    AppTest::TearDown();
  }
  // Presses Fill and answers the question with `answer`; gives the texts the question offered.
  Lines Fill(std::optional<Lines> answer) {
    Lines offered;
    ui::question_dialog = [&](const ui::Question& question) {
      for (const auto& field : question.fields) offered.push_back(field.second);
      return answer;
    };
    form_->FillClick();
    return offered;
  }
};

TEST_F(AppFill, FillAddsThePlacesFoundAsTheTypeSpawnPointsAndSaysWhatIsMissing) {
  // A start 36 above the room's floor, and a deathmatch start in the air.
  TForm1& form = StartWith(RoomWith(
      Block({{"classname", "info_player_start"}, {"origin", "0 200 -92"}, {"angle", "0"}}) +
      Block({{"classname", "info_player_deathmatch"}, {"origin", "0 0 200"}})));
  form.MinDisEdit->SetText("100");
  EXPECT_EQ(Fill(Lines{"3", "64"}), (Lines{"1", "100.00"}));
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (Lines{"01 (0,200,-92)", "02 (0,120,-92)", "03 (-80,200,-92)"}));
  EXPECT_EQ(form.EntitysComboBox->Count(), form.bsp_file->GetEntityCount());
  // Spaced for 64, they lie within 100 of each other: the spacing check marks them.
  EXPECT_GT(Frame(form).Count(kDarkRed, Frame(form).Around(-80, 200, -92)), 0);
  Key(form.SPosXEdit, Qt::Key_Z, "", Qt::ControlModifier);  // the whole fill is one step
  EXPECT_EQ(form.SpawnPointListBox->Count(), 1);
  Key(form.SPosXEdit, Qt::Key_Y, "", Qt::ControlModifier);
  EXPECT_EQ(Fill(std::nullopt), (Lines{"3", "100.00"}));  // cancelled: nothing changes
  PickSpawnType(1);
  Fill(Lines{"2", "90"});
  Fill(Lines{"2", "20"});
  Fill(Lines{"two", "90"});
  EXPECT_EQ(
      TakeMessages(),
      (Lines{"Fill: 1 of 2 spawn points could not be placed",
             "Error: PlanSpawnPoints (spacing must be a number of at least 32)",
             "Error: Fill (the spawn points must be a whole number and the spacing a number)"}));
  EXPECT_EQ(Items(*form.SpawnPointListBox), Lines{"01 (0,0,200)"});
}

}  // namespace tarnwick::test
