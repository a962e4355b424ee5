// Loading and saving, the three editors and the cache picker, driven through their controls.
#include "app_test.h"
#include "fgd/fgd_file.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {

class Editors : public AppTest {
 protected:
  std::string Fields() const {
    return form_->SPosXEdit->Text() + " " + form_->SPosYEdit->Text() + " " +
           form_->SPosZEdit->Text() + " " + form_->SPAngleEditY->Text();
  }
  std::string Blocked() const {  // the starts', then the deathmatch starts' marks
    std::string marks;
    for (const auto& type : {0, 1}) {
      for (const SpawnPoint& sp : form_->bsp_file->spawn_points[type])
        marks += sp.blocked ? 'x' : '.';
    }
    return marks;
  }
};

TEST_F(Editors, AFailedLoadIsReportedAndLeavesNoMapAndABlackView) {
  Bytes old_map = RoomMap();
  SetI32(old_map, 0, 29);
  TForm1& form = Start();
  for (const auto& [bytes, error] :
       {std::pair<Bytes, std::string>{{}, "LoadFile Error (file_size_<=0)"},
        {Bytes(100, 0), "BSPFile::BSPFile (file_size_ to small to load header)"},
        {old_map, "BSPHeader::ReadFile (Version Number Is Not 30)"}}) {
    Load(Write("room.bsp", RoomMap()));
    ASSERT_FALSE(Frame(form).IsBlack());
    Load(Write("bad.bsp", bytes));
    EXPECT_EQ(TakeMessages(), Lines{"Error: " + error});
    EXPECT_TRUE(form.bsp_file == nullptr && Frame(form).IsBlack());
  }
  form.SaveButtonClick();
  Load(Path("nowhere.bsp"));  // a file that is not there is passed over in silence
  EXPECT_EQ(TakeMessages(), Lines{"Error: No File To Save"});
}

TEST_F(Editors, TheSpawnPointEditorEditsTheSelectedSpawnPointAndTheEditsAreSaved) {
  TForm1& form = StartWith(RoomMap());
  EXPECT_EQ(Fields(), "-300.00 200.00 0.00 90.00");
  // A click shows the item even when it is already selected, after a text that did not apply.
  Click(form.SpawnPointListBox, 2);
  Type(form.SPosXEdit, "abc");
  Click(form.SpawnPointListBox, 2);
  EXPECT_EQ(Fields(), "100.40 -20.00 36.70 -10.00");
  Type(form.SPosZEdit, "-5");
  Type(form.SPAngleEditY, "200");
  EXPECT_TRUE(Holds(3, "\"origin\" \"100.4 -20 -5\"\n\"angles\" \"0 200 0\""));
  PickSpawnType(2);  // none of the type: nothing to show
  EXPECT_EQ(Fields(), "error error error error");
  // Add and SetToCurrentPos take the camera's place and facing; Delete relinks the rest.
  PickSpawnType(0);
  form.CPosXEdit->SetText("50");
  form.CPosAngleEdit->SetText("135");
  form.AddClick();
  PickSpawnPoint(1);
  form.DeleteClick();
  PickSpawnPoint(1);
  form.CPosYEdit->SetText("-7");
  form.SetToCurentPosClick();
  EXPECT_EQ(Fields(), "50.00 -7.00 0.00 135.00");
  Answer(Path("saved.bsp"));
  form.SaveButtonClick();
  Load(Path("saved.bsp"));
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (Lines{"01 (-300,200,0)", "02 (50,-7,0)", "03 (50,0,0)"}));
  EXPECT_TRUE(Holds(2, "\"origin\" \"50 -7 0\"\n\"angles\" \"0 135 0\""));
  EXPECT_TRUE(
      Holds(kRoomEntities - 1, "\"angles\" \"0 135 0\"\n\"classname\" \"info_player_start\""));
}

TEST_F(Editors, TheSpacingCheckFollowsEveryEditAndTheWallCheckFindsWallsUntilTheNext) {
  TForm1& form = StartWith(RoomMap());
  form.MinDisEdit->SetText("200");  // start 3 and deathmatch 1 lie within 200 of each other
  EXPECT_EQ(Blocked(), "..xx.");
  form.MinDisEdit->SetText("90");
  PickSpawnPoint(1);  // 32 units from the room's west wall, which faces into the room
  form.SPosXEdit->SetText("-480");
  PickSpawnPoint(0);  // 30 units beside the door, whose faces face out of its box
  form.SPosXEdit->SetText("-10");
  form.SPosYEdit->SetText("-110");
  form.SPosZEdit->SetText("-50");
  EXPECT_EQ(Blocked(), ".....");
  form.SPWallCheckClick();
  EXPECT_EQ(Blocked(), "xx...");
  EXPECT_TRUE(Frame(form).Has(kRed));
  form.SPosZEdit->SetText("-49");  // the spacing check replaces the wall findings
  EXPECT_EQ(Blocked(), ".....");
  ShowTab(2);  // the wall check follows the entities: an illusionary door is no wall
  Search("func_door", 3);
  SetText({"{", "\"classname\" \"func_illusionary\"", "\"model\" \"*1\"", "}"});
  form.ScanEntityClick();
  ShowTab(0);
  form.SPWallCheckClick();
  EXPECT_EQ(Blocked(), ".x...");
}

TEST_F(Editors, TheEntityEditorEditsTheFoundEntityBesideItsClassDefinition) {
  TForm1& form =
      StartWith(RoomWith(Block({{"classname", "info_null"}, {"note", std::string("a\0b", 3)}}) +
                         Block({{"classname", "light"}, {"origin", "1 2 3"}})));
  ShowTab(2);
  EXPECT_EQ(form.Memo2->Lines(), Lines{"No fgd file loaded"});
  const FGDFile fgd(DataFile("sample.fgd"));
  Answer(DataFile("sample.fgd"));
  form.LoadFDGButtonClick();
  EXPECT_EQ(Items(*form.FGDEntitysComboBox), fgd.ListEntitys());
  form.SearchEdit->SetText("ligh");  // Enter runs the search
  Key(form.SearchEdit, Qt::Key_Return);
  EXPECT_EQ(Items(*form.EntitysComboBox), Lines{"001   (light)"});
  EXPECT_EQ(form.Memo1->Lines(),
            (Lines{"{", "\"classname\" \"light\"", "\"origin\" \"1 2 3\"", "}"}));
  EXPECT_EQ(form.Memo2->Lines(), fgd.ShowEntity(fgd.FindEntity("light")));
  // A text that does not read as an entity loses nothing; one that does takes the entity's place.
  const Lines texts = Texts();
  SetText({"{", "\"classname\" \"info_player_start\"", "}"});
  form.ScanEntityClick();
  EXPECT_EQ(Texts(), texts);
  SetText({"{", "\"classname\" \"light\"", "\"origin\" \"4 5 6\"", "}"});
  form.ScanEntityClick();
  EXPECT_EQ(EntityAt(2).text, "{\n\"classname\" \"light\"\n\"origin\" \"4 5 6\"\n}");
  form.Button2Click();  // New, then Delete of what was found
  EXPECT_EQ(Items(*form.EntitysComboBox), Lines{"001   (new_entity)"});
  EXPECT_EQ(form.Memo2->Lines(), Lines{"Could not find entity \"new_entity\" in the fgd"});
  form.Button1Click();
  Search("worldspawn", 3);  // the world stays first
  form.Button1Click();
  Search("info_null", 3);
  Search("nothing", 3);
  form.Button1Click();
  EXPECT_EQ(Texts(), (Lines{texts[0], texts[1], EntityAt(2).text}));
  EXPECT_EQ(TakeMessages(),
            (Lines{"Error: SpawnPoint::Read (No origin in entity (info_player_start)",
                   "Error: BSPFile::DeleteEntity (worldspawn must stay the first entity)",
                   "Error: TForm1::RefreshEntity (Entity end found befor entity was scanned)",
                   "Error: TForm1::Button1Click (entity index < 0)"}));
}

TEST_F(Editors, ThePointEditorEditsAndDeletesAndLeavesNoStalePointsToDraw) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(3);  // the lights, numbered by their place in the map
  EXPECT_EQ(Items(*form.EntityListBox), (Lines{"09 (-100,250,100)", "10 (100,250,100)"}));
  PickEntity(1);
  form.SPosZEdit->SetText("120");
  form.SPAngleEditY->SetText("90");
  EXPECT_TRUE(Holds(9, "\"origin\" \"100 250 120\"\n\"angle\" \"90\""));
  PickEntity(0);
  form.DeleteEntityClick();
  EXPECT_EQ(Items(*form.EntityListBox), Lines{"09 (100,250,120)"});
  // Neither a new map nor deletions in the entity editor leave points of the old list to draw.
  Load(Write("world.bsp", RoomWith(Block({{"classname", "light"}, {"origin", "8 16 32"}}))));
  EXPECT_EQ(TakeMessages(), Lines{"Unsaved Changes: Save changes to test.bsp?"});
  EXPECT_EQ(Items(*form.EntityListBox), Lines{"02 (8,16,32)"});
  ShowTab(2);
  Search("light", 3);
  form.Button1Click();
  ShowTab(1);
  EXPECT_EQ(form.EntityTypeComboBox->Count() + form.EntityListBox->Count(), 0);
  EXPECT_FALSE(Frame(form).Has(kMagenta) || Frame(form).Has(kYellow));
}

TEST_F(Editors, TheCachePickerListsTheMapsAndADoubleClickLoadsOneOrSaysWhyNot) {
  GcfWriter writer(0x200), long_chain(0x200);  // small blocks: each map spans many
  GcfLayout layout;
  writer.AddFile("readme.txt", Bytes(100, 'x'));
  const Bytes room = RoomMap(), world = RoomWith("");
  const uint32_t zeta = writer.AddFile("zeta.bsp", room),
                 alpha = writer.AddFile("alpha.bsp", world);
  Bytes cache = writer.Build(&layout);
  TForm1& form = StartWith(room);
  Load(Write("maps.gcf", cache));
  EXPECT_EQ(Items(*picker_->ListBox1), (Lines{"zeta.bsp", "alpha.bsp"}));
  Click(picker_->ListBox1, 1);  // a single click only selects
  EXPECT_TRUE(picker_->isVisible());
  Click(picker_->ListBox1, 1, true);
  EXPECT_FALSE(picker_->isVisible());
  EXPECT_EQ(form.bsp_file->raw_file, world);
  // The room's first block leads nowhere; the other map claims more bytes than the cache holds.
  SetI32(cache, layout.fragmentation_map + 4 * layout.blocks[zeta][0], 0x7FFFFFF0);
  SetI32(cache, 76 + 28 * layout.first_entry[alpha] + 8, int32_t(cache.size() + 1));
  Load(Write("broken.gcf", cache));
  Click(picker_->ListBox1, 0, true);
  picker_->show();
  Click(picker_->ListBox1, 1, true);
  EXPECT_EQ(form.bsp_file->raw_file, world);  // the map loaded before stays
  long_chain.AddFile("long.bsp", room, 0, {.chain_goes_on = true});
  Load(Write("long.gcf", long_chain.Build()));
  Click(picker_->ListBox1, 0, true);
  EXPECT_EQ(form.bsp_file->raw_file, room);
  Load(Write("fake.gcf", room));
  EXPECT_EQ(
      TakeMessages(),
      (Lines{"Error: GCF::ExtractItem (broken block chain)",
             "Error: GCF::ExtractItem (item too large)", "Error: Warnning File May Be Incompleat",
             "Error: Failed to open file\nIf steam is open close\nit and try again"}));
}

}  // namespace tarnwick::test
