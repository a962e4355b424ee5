// The entity text editor: the search, the text of the chosen entity, applying an edited text,
// new and delete, the FGD definitions beside it and the font size.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "app_test.h"
#include "error.h"
#include "fgd/fgd_file.h"

namespace tarnwick::test {
namespace {

class AppEntityEditor : public AppTest {
 protected:
  TForm1& StartEditing() {
    StartWith(RoomMap());
    ShowTab(2);
    return *form_;
  }
  void Type(const std::vector<std::string>& lines) {
    form_->Memo1->Clear();
    for (const std::string& line : lines) form_->Memo1->AddLine(line);
  }
  static void Press(QWidget* widget, Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Entity& e : form_->bsp_file->entities) texts.push_back(e.text);
    return texts;
  }
  using Lines = std::vector<std::string>;
};

TEST_F(AppEntityEditor, AnEmptySearchListsEveryEntityAndShowsTheFirst) {
  TForm1& form = StartEditing();
  EXPECT_EQ(Items(*form.EntitysComboBox),
            (Lines{"001   (worldspawn)", "002   (info_player_start)", "003   (info_player_start)",
                   "004   (info_player_start)", "005   (info_player_deathmatch)",
                   "006   (info_player_deathmatch)", "007   (func_door)", "008   (func_pendulum)",
                   "009   (light)", "010   (light)", "011   (info_target)"}));
  EXPECT_EQ(form.EntitysComboBox->ItemIndex(), 0);
  EXPECT_EQ(form.Memo1->Lines(),
            (Lines{"{", "\"classname\" \"worldspawn\"", "\"message\" \"room\"", "}"}));
  EXPECT_EQ(form.Memo2->Lines(), Lines{"No fgd file loaded"});
  PickFound(9);
  EXPECT_EQ(form.Memo1->Lines(), (Lines{"{", "\"classname\" \"light\"",
                                        "\"origin\" \"100 250 100\"", "\"angle\" \"45\"", "}"}));
}

TEST_F(AppEntityEditor, TheSearchMatchesClassNamesByTheChosenRule) {
  TForm1& form = StartEditing();
  // Enter in the search text runs it.
  form.SearchEdit->SetText("info_");
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities);
  Press(form.SearchEdit, Qt::Key_Return);
  EXPECT_EQ(form.EntitysComboBox->Count(), 6);
  EXPECT_EQ(form.EntitysComboBox->Item(5), "006   (info_target)");

  Search("info_", 1);
  EXPECT_EQ(form.EntitysComboBox->Count(), 6);
  Search("_start", 2);
  EXPECT_EQ(Items(*form.EntitysComboBox),
            (Lines{"001   (info_player_start)", "002   (info_player_start)",
                   "003   (info_player_start)"}));
  EXPECT_EQ(form.Memo1->Lines().at(2), "\"origin\" \"-300 200 0\"");
  Search("info_player", 3);
  EXPECT_EQ(form.EntitysComboBox->Count(), 0);
  EXPECT_EQ(form.EntitysComboBox->ItemIndex(), -1);
  EXPECT_TRUE(form.Memo1->Lines().empty());
  EXPECT_TRUE(form.Memo2->Lines().empty());
  Search("Info_", 0);
  EXPECT_EQ(form.EntitysComboBox->Count(), 0);
  Search("a_longer_text_than_any_class", 2);
  EXPECT_EQ(form.EntitysComboBox->Count(), 0);
  Search("light", 3);
  EXPECT_EQ(Items(*form.EntitysComboBox), (Lines{"001   (light)", "002   (light)"}));
}

TEST_F(AppEntityEditor, TheTextShowsChangesMadeInTheOtherEditors) {
  StartWith(RoomMap());
  form().SPosXEdit->SetText("-64");
  ShowTab(2);
  PickFound(1);
  EXPECT_EQ(form().Memo1->Lines().at(2), "\"origin\" \"-64 200 0\"");
}

TEST_F(AppEntityEditor, FgdDefinitionsAreShownBesideTheText) {
  TForm1& form = StartEditing();
  const std::string fgd_path = DataFile("sample.fgd");
  Answer(fgd_path);
  form.LoadFDGButtonClick();
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_EQ(dialogs_[1].filter, "WorldCraft ConfigFiles (*.fgd)|*.fgd");
  EXPECT_EQ(dialogs_[1].title, "Open WorldCraft FGD File");
  EXPECT_EQ(dialogs_[1].file_name, "");
  EXPECT_EQ(form.last_fgd_path, fgd_path);
  const FGDFile fgd(fgd_path);
  EXPECT_EQ(Items(*form.FGDEntitysComboBox), fgd.ListEntitys());
  EXPECT_EQ(form.FGDEntitysComboBox->ItemIndex(), 0);
  // The selected entity is the world, which the file defines.
  EXPECT_EQ(form.Memo2->Lines(), fgd.ShowEntity(fgd.FindEntity("worldspawn")));
  EXPECT_GT(form.Memo2->Lines().size(), 3u);
  PickFound(1);
  EXPECT_EQ(form.Memo2->Lines(), fgd.ShowEntity(fgd.FindEntity("info_player_start")));
  PickFound(7);
  EXPECT_EQ(form.Memo2->Lines(), Lines{"Could not find entity \"func_pendulum\" in the fgd"});

  // Browsing the definitions.
  form.FGDEntitysComboBox->SetItemIndex(5);
  form.FGDEntitysComboBoxChange();
  EXPECT_EQ(form.Memo2->Lines(), fgd.ShowEntity(5));
  QLineEdit* typed = form.FGDEntitysComboBox->lineEdit();
  typed->selectAll();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
  QApplication::sendEvent(typed, &key);
  EXPECT_EQ(form.Memo2->Lines(), Lines{"Could Not Find Entity Index < 0"});

  // A cancelled dialog keeps the file; one that cannot be read drops it.
  Answer(std::nullopt);
  form.LoadFDGButtonClick();
  EXPECT_NE(form.fgd_file, nullptr);
  Answer(Path("missing.fgd"));
  form.LoadFDGButtonClick();
  EXPECT_EQ(TakeMessages(),
            std::vector<Message>{ErrorBox("FGDFile::FGDFile (Could Not Open File)")});
  EXPECT_EQ(form.fgd_file, nullptr);
  EXPECT_EQ(form.last_fgd_path, Path("missing.fgd"));
  PickFound(0);
  EXPECT_EQ(form.Memo2->Lines(), Lines{"No fgd file loaded"});
}

TEST_F(AppEntityEditor, ScanEntityAppliesTheEditedTextAndMovesTheEntityLast) {
  TForm1& form = StartEditing();
  Search("info_target", 3);
  Type(
      {"{", "\"classname\" \"info_target\"", "\"origin\" \"1 2 3\"", "\"targetname\" \"t1\"", "}"});
  form.ScanEntityClick();
  EXPECT_EQ(TakeMessages(), std::vector<Message>{});
  ASSERT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
  EXPECT_EQ(EntityAt(kRoomEntities - 1).text,
            "{\n\"classname\" \"info_target\"\n\"origin\" \"1 2 3\"\n\"targetname\" \"t1\"\n}");
  EXPECT_EQ(EntityAt(kRoomEntities - 1).origin, (std::array<float, 3>{1, -2, -3}));
  EXPECT_EQ(form.EntitysComboBox->Count(), 1);
  EXPECT_EQ(form.Memo1->Lines().at(3), "\"targetname\" \"t1\"");

  // An unchanged text: the world goes to the end as it was.
  Search("", 0);
  const std::string world = EntityAt(0).text;
  form.ScanEntityClick();
  EXPECT_EQ(ClassNames().back(), "worldspawn");
  EXPECT_EQ(EntityAt(kRoomEntities - 1).text, world);
  EXPECT_EQ(EntityAt(0).class_name, "info_player_start");
  EXPECT_EQ(form.EntitysComboBox->Item(kRoomEntities - 1), "011   (worldspawn)");

  // A start given a class the configuration does not list leaves the spawn points.
  Search("info_player_start", 3);
  PickFound(1);
  Type({"{", "\"classname\" \"info_player_starter\"", "\"origin\" \"-300 -200 0\"", "}"});
  form.ScanEntityClick();
  EXPECT_EQ(form.bsp_file->GetSpawnPointCount(0), 2);
  EXPECT_EQ(ClassNames().back(), "info_player_starter");
  ShowTab(0);
  EXPECT_EQ(Items(*form.SpawnPointListBox), (Lines{"01 (-300,200,0)", "02 (100,-20,37)"}));
}

TEST_F(AppEntityEditor, ATextThatDoesNotApplyChangesNothing) {
  TForm1& form = StartEditing();
  PickFound(8);
  const std::vector<std::string> texts = Texts();
  const std::vector<std::string> items = Items(*form.EntitysComboBox);
  const std::vector<std::vector<std::string>> typed_texts = {
      // No closing brace.
      {"{", "\"classname\" \"light\"", "\"origin\" \"1 2 3\""},
      // No class name.
      {"{", "\"origin\" \"1 2 3\"", "}"},
      // A position that is not a number.
      {"{", "\"classname\" \"light\"", "\"origin\" \"one 2 3\"", "}"},
      // A spawn point without a position.
      {"{", "\"classname\" \"info_player_start\"", "}"},
  };
  const std::vector<std::string> messages = {
      "Entity::Read (entity dose not end with '}')",
      "Entity::Read (entity dose not contain a class_name)",
      "Entity::Read (error converting origin from string to int)",
      "SpawnPoint::Read (No origin in entity (info_player_start)",
  };
  for (size_t i = 0; i < typed_texts.size(); ++i) {
    SCOPED_TRACE(i);
    Type(typed_texts[i]);
    form.ScanEntityClick();
    EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox(messages[i])});
    EXPECT_EQ(Texts(), texts);
    EXPECT_EQ(form.bsp_file->GetSpawnPointCount(0), 3);
    EXPECT_EQ(form.Memo1->Lines(), typed_texts[i]);
    EXPECT_EQ(Items(*form.EntitysComboBox), items);
    EXPECT_EQ(form.EntitysComboBox->ItemIndex(), 8);
  }
  // The spawn points still belong to their entities.
  ShowTab(0);
  PickSpawnPoint(2);
  form.SPosXEdit->SetText("99");
  EXPECT_NE(EntityAt(3).text.find("\"origin\" \"99 -20 37\""), std::string::npos);
}

TEST_F(AppEntityEditor, ScanAndDeleteWithNothingFoundSaySo) {
  TForm1& form = StartEditing();
  Search("nothing", 3);
  form.ScanEntityClick();
  form.Button1Click();
  EXPECT_EQ(TakeMessages(),
            (std::vector<Message>{ErrorBox("TForm1::ScanEntityClick (entity index < 0)"),
                                  ErrorBox("TForm1::Button1Click (entity index < 0)")}));
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
}

TEST_F(AppEntityEditor, NewAddsAnEntityEachTimeAndDeleteRemovesTheChosenOne) {
  TForm1& form = StartEditing();
  form.Button2Click();
  EXPECT_EQ(form.SearchEdit->Text(), "new_entity");
  EXPECT_EQ(Items(*form.EntitysComboBox), Lines{"001   (new_entity)"});
  EXPECT_EQ(form.Memo1->Lines(), (Lines{"{", "\"classname\" \"new_entity\"", "}"}));
  form.Button2Click();
  EXPECT_EQ(Items(*form.EntitysComboBox), (Lines{"001   (new_entity)", "002   (new_entity)"}));
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities + 2);
  form.Button1Click();
  EXPECT_EQ(Items(*form.EntitysComboBox), Lines{"001   (new_entity)"});

  // Deleting a start's entity deletes the start.
  Search("info_player_start", 3);
  PickFound(1);
  form.Button1Click();
  EXPECT_EQ(form.bsp_file->GetSpawnPointCount(0), 2);
  EXPECT_EQ(form.EntitysComboBox->Count(), 2);
  ShowTab(0);
  EXPECT_EQ(Items(*form.SpawnPointListBox), (Lines{"01 (-300,200,0)", "02 (100,-20,37)"}));
}

TEST_F(AppEntityEditor, EnterAppliesTheFontSizeToBothTexts) {
  TForm1& form = StartEditing();
  const int size = form.Memo1->FontSize();
  form.FontSizeEdit->SetText("14");
  EXPECT_EQ(form.Memo1->FontSize(), size);
  Press(form.FontSizeEdit, Qt::Key_Tab);
  EXPECT_EQ(form.Memo1->FontSize(), size);
  Press(form.FontSizeEdit, Qt::Key_Return);
  EXPECT_EQ(form.Memo1->FontSize(), 14);
  EXPECT_EQ(form.Memo2->FontSize(), 14);
  for (const char* text : {"big", "0", "-3", ""}) {
    form.FontSizeEdit->SetText(text);
    form.FontSizeEditKeyDown(13);
    EXPECT_EQ(form.Memo1->FontSize(), 14) << text;
  }
}

TEST_F(AppEntityEditor, ChoosingAnotherEntityDropsTheEditsNotApplied) {
  TForm1& form = StartEditing();
  PickFound(10);
  const Lines shown = form.Memo1->Lines();
  Type({"{", "\"classname\" \"info_target\"", "\"origin\" \"9 9 9\"", "}"});
  PickFound(0);
  PickFound(10);
  EXPECT_EQ(form.Memo1->Lines(), shown);
  EXPECT_EQ(EntityAt(10).origin, (std::array<float, 3>{0, 300, 0}));
}

TEST_F(AppEntityEditor, ATextWithAZeroByteIsReportedWhenShown) {
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(Block({{"classname", "worldspawn"}}) +
                  Block({{"classname", "info_null"}, {"note", std::string("a\0b", 3)}}));
  TForm1& form = StartWith(map.Build());
  ShowTab(2);
  EXPECT_EQ(TakeMessages(), std::vector<Message>{});
  PickFound(1);
  EXPECT_EQ(TakeMessages(),
            std::vector<Message>{
                ErrorBox("TForm1::RefreshEntity (Entity end found befor entity was scanned)")});
  EXPECT_EQ(form.bsp_file->GetEntityCount(), 2);
}

TEST_F(AppEntityEditor, BytesAboveAsciiGoThroughTheTextUnchanged) {
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(Block({{"classname", "worldspawn"}, {"message", "Caf\xe9 \xbb\xff"}}));
  TForm1& form = StartWith(map.Build());
  ShowTab(2);
  const std::string text = EntityAt(0).text;
  EXPECT_EQ(form.Memo1->Lines().at(2), "\"message\" \"Caf\xe9 \xbb\xff\"");
  form.ScanEntityClick();
  EXPECT_EQ(TakeMessages(), std::vector<Message>{});
  EXPECT_EQ(EntityAt(0).text, text);
}

}  // namespace
}  // namespace tarnwick::test
