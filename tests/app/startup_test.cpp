// Start-up: the configuration, the map named on the command line, the first frame and the
// layout at the opening size.
#include <QApplication>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <filesystem>

#include "app_test.h"

namespace tarnwick::test {

using AppStartup = AppTest;

TEST_F(AppStartup, AQuotedCommandLineMapOpensAndWithoutOneOrWhenMissingTheViewIsBlack) {
  const std::string path = Write("my maps/two words.bsp", RoomMap());
  const std::string gone = Path("gone.bsp");
  for (const std::string& command_line : {std::string(), '"' + gone + '"'}) {
    Start(command_line);
    EXPECT_EQ(form_->bsp_file, nullptr);  // and nothing is said
    EXPECT_TRUE(Frame(*form_).IsBlack());
  }
  // Enter in the font size edit applies the size it shows, which is never -1.
  EXPECT_EQ(form_->FontSizeEdit->Text(), std::to_string(form_->Memo1->FontSize()));
  EXPECT_GT(form_->Memo1->FontSize(), 0);
  // A path relative to the working folder is kept whole, for the dialogs to start in its folder.
  Start("\"" + std::filesystem::relative(path).string() + "\" -console");
  ASSERT_NE(form_->bsp_file, nullptr);
  EXPECT_EQ(form_->last_map_path, std::filesystem::weakly_canonical(path).string());
  EXPECT_FALSE(Frame(*form_).IsBlack());
}

TEST_F(AppStartup, WithoutConfigCfgItSaysSoAndThereAreNoSpawnPointTypes) {
  std::filesystem::remove(dir_ / "Config.cfg");
  TForm1& form = Start(Write("room.bsp", RoomMap()));
  EXPECT_EQ(TakeMessages(), Lines{"Error: Failed To Open File \"Config.cfg\""});
  EXPECT_EQ(form.SpawnPointBox->Count(), 0);
  ASSERT_NE(form.bsp_file, nullptr);  // the map loads all the same, without spawn points
  form.AddClick();
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
}

namespace {

// The texts that the visible controls of the window cut off (a list box's, if it must scroll
// sideways), and the controls that reach past the window's edge.
Lines Clipped(TForm1& form) {
  Lines clipped;
  for (QWidget* w : form.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&form)) continue;
    const std::string name = w->metaObject()->className();
    if (!form.rect().contains(QRect(w->mapTo(&form, QPoint(0, 0)), w->size()))) {
      clipped.push_back("past the edge: " + name);
    }
    QStringList texts;
    QRect room = w->contentsRect();  // a label's
    QStyleOptionButton button;
    button.initFrom(w);
    if (const auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (const auto* b = qobject_cast<QAbstractButton*>(w)) {
      texts << (button.text = b->text());
      const bool check = qobject_cast<QCheckBox*>(w);
      room = w->style()->subElementRect(
          check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &button, w);
    }
    if (auto* box = qobject_cast<QComboBox*>(w)) {
      QStyleOptionComboBox combo;
      combo.initFrom(w);
      combo.editable = box->isEditable();
      for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
      room = w->style()  // less the margins its text keeps
                 ->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxEditField, w)
                 .adjusted(2, 0, -2, 0);
    }
    const auto* list = qobject_cast<QListWidget*>(w);
    if (list && list->horizontalScrollBar()->maximum() > 0) clipped.push_back(name + " scrolls");
    const QFontMetrics metrics(w->font());
    for (const QString& text : texts) {
      if (metrics.horizontalAdvance(text) > room.width() || metrics.height() > room.height()) {
        clipped.push_back(name + ": " + text.toStdString());
      }
    }
  }
  return clipped;
}

}  // namespace

// At the window's opening size every text fits its control, with spawn points far out, the
// bundled spawn-point types, a class name of 24 letters and the FGD's classes; at any size the
// controls stay within the window.
TEST_F(AppStartup, EveryTextFitsItsControlAndEveryControlTheWindow) {
  std::string entities;
  for (int i = 0; i < 16; ++i) {
    entities += Block({{"classname", "info_player_deathmatch"}, {"origin", "-3232 -1508 -664"}});
  }
  entities += Block({{"classname", "monster_alien_controller"}, {"origin", "-3232 -1508 -664"}});
  TForm1& form = StartWith(RoomWith(entities));
  Answer(DataFile("sample.fgd"));
  form.LoadFDGButtonClick();
  PickSpawnType(1);
  EXPECT_EQ(form.SpawnPointListBox->Item(15), "16 (-3232,-1508,-664)");
  for (const QSize size : {form.size(), QSize(1000, 800)}) {
    form.resize(size);
    for (const int tab : {3, 2, 1, 0}) {
      ShowTab(tab);
      if (tab == 1) PickEntityType(1);  // the long class name
      if (tab == 2) Search("monster", 0);
      QApplication::processEvents();
      EXPECT_EQ(Clipped(form), Lines{}) << "tab " << tab << " at " << size.width();
    }
  }
}

}  // namespace tarnwick::test
