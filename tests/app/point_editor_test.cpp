// The point editor: the classes of the entities with a position, their list, the fields acting on
// them, deleting, and a list longer than its first table.
#include "app_test.h"

namespace tarnwick::test {

using AppPointEditor = AppTest;

TEST_F(AppPointEditor, TheListsFieldsAndDeleteActOnTheEntitiesAndNoStalePointIsLeft) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(2);
  PickFound(9);  // the second light, whose index is about to change
  ShowTab(1);
  EXPECT_EQ(Items(*form.EntityTypeComboBox), (Lines{"info_player_start", "info_player_deathmatch",
                                                    "func_pendulum", "light", "info_target"}));
  PickEntityType(3);
  // Numbered by their place in the map's entities, counted from 1.
  EXPECT_EQ(Items(*form.EntityListBox), (Lines{"09 (-100,250,100)", "10 (100,250,100)"}));
  EXPECT_EQ(form.SPAngleEditY->Text(), "error");  // the first light has no yaw
  PickEntity(1);
  form.SPosZEdit->SetText("120");
  form.SPAngleEditY->SetText("90");  // to its "angle" key
  EXPECT_TRUE(Holds(9, "\"origin\" \"100 250 120\"\n\"angle\" \"90\""));
  PickEntity(0);
  form.DeleteEntityClick();
  EXPECT_EQ(Items(*form.EntityListBox), Lines{"09 (100,250,120)"});
  // The entity editor's list is rebuilt: each item names the entity it shows.
  ShowTab(2);
  const std::string item = form.EntitysComboBox->Item(form.EntitysComboBox->ItemIndex());
  const std::string class_name = item.substr(item.find('(') + 1, item.size() - item.find('(') - 2);
  EXPECT_EQ(form.Memo1->Lines().at(1), "\"classname\" \"" + class_name + "\"");

  // Neither a new map nor deletions in the entity editor leave points of the old list to draw.
  ShowTab(1);
  PickEntityType(4);  // info_target, the room's last entity
  Load(Write("world.bsp", RoomWith("")));
  EXPECT_EQ(TakeMessages(), Lines{"Unsaved Changes: Save changes to test.bsp?"});
  EXPECT_EQ(form.SPosXEdit->Text(), "error");
  EXPECT_FALSE(Frame(form).Has(kMagenta) || Frame(form).Has(kYellow));
  Load(Write("lights.bsp", LightsMap()));
  EXPECT_EQ(Items(*form.EntityListBox), (Lines{"02 (8,16,32)", "03 (-8,16,32)"}));
  ShowTab(2);
  Search("light", 3);
  form.Button1Click();
  form.Button1Click();
  ShowTab(1);
  EXPECT_EQ(form.EntityTypeComboBox->Count() + form.EntityListBox->Count(), 0);
  EXPECT_FALSE(Frame(form).Has(kMagenta) || Frame(form).Has(kYellow));
}

TEST_F(AppPointEditor, SixHundredLightsAreAllListedAndEachShowsItsOwnPosition) {
  std::string entities;
  for (int j = 1; j <= 600; ++j) {
    entities += Block({{"classname", "light"}, {"origin", std::to_string(j) + " 2 8"}});
  }
  TForm1& form = StartWith(RoomWith(entities));
  ShowTab(1);
  ASSERT_EQ(form.EntityListBox->Count(), 600);
  EXPECT_EQ(form.EntityListBox->Item(549), "551 (550,2,8)");
  PickEntity(599);
  form.SPosZEdit->SetText("9");
  EXPECT_TRUE(Holds(600, "\"origin\" \"600 2 9\""));
  ShowTab(2);  // the entity editor's list grows the same way
  PickFound(550);
  EXPECT_EQ(form.Memo1->Lines().at(2), "\"origin\" \"550 2 8\"");
}

}  // namespace tarnwick::test
