// The entity text editor: the search, the text of the chosen entity, applying an edited text,
// new and delete, and the FGD definitions beside it.
#include <tuple>

#include "app_test.h"
#include "fgd/fgd_file.h"

namespace tarnwick::test {

using AppEntityEditor = AppTest;

TEST_F(AppEntityEditor, TheFgdDefinitionIsShownTheSearchFindsAndNewAndDeleteChangeTheEntities) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(2);
  EXPECT_EQ(form.Memo2->Lines(), Lines{"No fgd file loaded"});
  const FGDFile fgd(DataFile("sample.fgd"));
  Answer(DataFile("sample.fgd"));
  form.LoadFDGButtonClick();
  EXPECT_EQ(Items(*form.FGDEntitysComboBox), fgd.ListEntitys());
  EXPECT_EQ(form.Memo2->Lines(), fgd.ShowEntity(fgd.FindEntity("worldspawn")));
  PickFound(7);
  EXPECT_EQ(form.Memo2->Lines(), Lines{"Could not find entity \"func_pendulum\" in the fgd"});
  Type(form.FGDEntitysComboBox->lineEdit(), "x");
  EXPECT_EQ(form.Memo2->Lines(), Lines{"Could Not Find Entity Index < 0"});
  Answer(Path("missing.fgd"));
  form.LoadFDGButtonClick();
  EXPECT_EQ(TakeMessages(), Lines{"Error: FGDFile::FGDFile (Could Not Open File)"});
  EXPECT_EQ(form.fgd_file, nullptr);

  // Contains, starts with, ends with, is; Enter in the search text runs it too.
  form.SearchEdit->SetText("info_");
  Key(form.SearchEdit, Qt::Key_Return);
  EXPECT_EQ(form.EntitysComboBox->Item(5), "006   (info_target)");
  const std::tuple<std::string, int, int> searches[] = {
      {"_player_", 0, 5}, {"Info_", 0, 0}, {"info_", 1, 6}, {"_start", 2, 3}, {"light", 3, 2}};
  for (const auto& [text, type, found] : searches) {
    Search(text, type);
    EXPECT_EQ(form.EntitysComboBox->Count(), found) << text << " " << type;
  }
  EXPECT_EQ(form.Memo1->Lines().at(2), "\"origin\" \"-100 250 100\"");

  form.Button2Click();
  form.Button2Click();
  EXPECT_EQ(Items(*form.EntitysComboBox), (Lines{"001   (new_entity)", "002   (new_entity)"}));
  EXPECT_EQ(form.Memo1->Lines(), (Lines{"{", "\"classname\" \"new_entity\"", "}"}));
  form.Button1Click();
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities + 1);
  Search("info_player_start", 3);  // deleting a start's entity deletes the start
  PickFound(1);
  form.Button1Click();
  EXPECT_EQ(form.bsp_file->GetSpawnPoint(0, 1)->origin[0], 100.4f);
  Search("worldspawn", 3);  // the world stays first
  form.Button1Click();
  Search("nothing", 3);  // with nothing found there is nothing to apply or delete
  form.ScanEntityClick();
  form.Button1Click();
  EXPECT_EQ(TakeMessages(),
            (Lines{"Error: BSPFile::DeleteEntity (worldspawn must stay the first entity)",
                   "Error: TForm1::ScanEntityClick (entity index < 0)",
                   "Error: TForm1::Button1Click (entity index < 0)"}));
  EXPECT_EQ(EntityAt(0).class_name, "worldspawn");
}

TEST_F(AppEntityEditor, ScanEntityKeepsTheEditedEntityInPlaceAndABadTextLosesNothing) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(2);
  PickFound(8);
  const Lines texts = Each(&Entity::text);
  const std::pair<Lines, std::string> bad[] = {
      {{"{", "\"classname\" \"light\""}, "Entity::Read (entity dose not end with '}')"},
      {{"{", "\"origin\" \"1 2 3\"", "}"}, "Entity::Read (entity dose not contain a class_name)"},
      {{"{", "\"classname\" \"light\"", "\"origin\" \"one 2 3\"", "}"},
       "Entity::Read (error converting origin from string to int)"},
      {{"{", "\"classname\" \"info_player_start\"", "}"},
       "SpawnPoint::Read (No origin in entity (info_player_start)"}};
  for (const auto& [typed, error] : bad) {
    SetText(typed);
    form.ScanEntityClick();
    EXPECT_EQ(TakeMessages(), Lines{"Error: " + error});
    EXPECT_EQ(Each(&Entity::text), texts);
    EXPECT_EQ(form.Memo1->Lines(), typed);
  }
  SetText({"{", "\"classname\" \"light\"", "\"origin\" \"1 2 3\"", "}"});
  form.ScanEntityClick();
  EXPECT_EQ(EntityAt(8).text, "{\n\"classname\" \"light\"\n\"origin\" \"1 2 3\"\n}");
  EXPECT_EQ(EntityAt(9).text, texts[9]);
}

TEST_F(AppEntityEditor, AnEntityTextWithAZeroByteIsReportedWhenShown) {
  StartWith(RoomWith(Block({{"classname", "info_null"}, {"note", std::string("a\0b", 3)}})));
  ShowTab(2);
  Search("info_null", 3);
  EXPECT_EQ(TakeMessages(),
            Lines{"Error: TForm1::RefreshEntity (Entity end found befor entity was scanned)"});
}

}  // namespace tarnwick::test
