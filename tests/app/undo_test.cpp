// Undo and redo of every kind of edit, the caption's star for unsaved changes, and the question
// before they are lost.
#include <QApplication>
#include <QFocusEvent>
#include <tuple>

#include "app_test.h"

namespace tarnwick::test {

using AppUndo = AppTest;

TEST_F(AppUndo, EveryEditUndoesToTheLoadedMapAndRedoesToTheEditedOneFromAFocusedField) {
  const std::string good = Block({{"classname", "worldspawn"}}) + Block({{"classname", "light"}});
  Write("good.ent", Bytes(good.begin(), good.end()));
  Write("bad.ent", Bytes(1, '\0'));
  TForm1& form = StartWith(RoomMap());
  const auto save = [&](const std::string& name) {
    Answer(Path(name));
    form.SaveButtonClick();
    return ReadFileBytes(Path(name));
  };
  const std::string title = form.windowTitle().toStdString();
  const Lines loaded = Texts(), spawns = Items(*form.SpawnPointListBox);
  const Bytes loaded_file = save("loaded.bsp");
  PickSpawnPoint(1);
  Type(form.SPosXEdit, "-250");  // one step however many keys, until the field loses the focus
  QFocusEvent focus_out(QEvent::FocusOut);
  QApplication::sendEvent(form.SPosXEdit, &focus_out);
  Type(form.SPosXEdit, "-260");
  Type(form.SPAngleEditY, "30");
  EXPECT_EQ(form.windowTitle().toStdString(), title + " *");
  form.CPosXEdit->SetText("64");
  form.SetToCurentPosClick();
  form.AddClick();
  PickSpawnPoint(0);
  form.DeleteClick();
  ShowTab(1);  // the point editor moves a light and deletes the other
  PickEntityType(3);
  PickEntity(1);
  form.SPosZEdit->SetText("120");
  PickEntity(0);
  form.DeleteEntityClick();
  ShowTab(2);  // the entity editor adds, deletes, applies a text and imports
  form.Button2Click();
  Search("func_door", 3);
  form.Button1Click();
  Search("worldspawn", 3);
  SetText({"{", "\"classname\" \"worldspawn\"", "\"message\" \"edited\"", "}"});
  form.ScanEntityClick();
  Answer(Path("bad.ent"));
  form.ImportEntClick();
  Answer(Path("good.ent"));
  form.ImportEntClick();
  EXPECT_EQ(TakeMessages(),
            Lines{"Error: BSPFile::ImportEntities (worldspawn must be the first entity)"});
  const Lines edited = Texts();
  const Bytes edited_file = save("edited.bsp");
  EXPECT_EQ(form.windowTitle().toStdString(), title);
  const int kSteps = 12;
  ShowTab(0);
  for (int step = 0; step < kSteps; ++step) {
    EXPECT_NE(Texts(), loaded) << step;  // not before the last step is undone
    Key(form.SPosXEdit, Qt::Key_Z, "", Qt::ControlModifier);
  }
  EXPECT_EQ(Texts(), loaded);
  EXPECT_EQ(Items(*form.SpawnPointListBox), spawns);
  EXPECT_EQ(form.windowTitle().toStdString(), title + " *");
  EXPECT_EQ(save("undone.bsp"), loaded_file);
  for (int step = 0; step < kSteps; ++step) {  // Ctrl+Y and Ctrl+Shift+Z redo
    Key(form.SPosXEdit, step % 2 ? Qt::Key_Y : Qt::Key_Z, "",
        Qt::ControlModifier | (step % 2 ? Qt::NoModifier : Qt::ShiftModifier));
  }
  EXPECT_EQ(Texts(), edited);
  EXPECT_EQ(save("redone.bsp"), edited_file);
}

// Cancel, Save with the save dialog cancelled, Save, and Discard, when the window closes and when
// another map is loaded.
TEST_F(AppUndo, UnsavedChangesAreSavedDiscardedOrKeptAsTheUserAnswers) {
  // The answer, where the save dialog saves (nothing: it is cancelled), and whether the map goes.
  const std::tuple<std::string, std::optional<std::string>, bool> answers[] = {
      {"Cancel", {}, false},
      {"Save", {}, false},
      {"Save", "saved.bsp", true},
      {"Discard", {}, true}};
  for (const bool closing : {true, false}) {
    for (const auto& [reply, save_to, goes] : answers) {
      TForm1& form = StartWith(RoomMap());
      form.AddClick();
      reply_ = reply;
      if (!closing) Answer(Write("world.bsp", RoomWith("")));
      if (reply == "Save") Answer(save_to ? std::optional(Path(*save_to)) : std::nullopt);
      if (closing) {
        EXPECT_EQ(form.close(), goes) << reply;
      } else {
        form.LoadButtonClick();
        EXPECT_EQ(form.bsp_file->raw_file == RoomWith(""), goes) << reply;
        EXPECT_EQ(form.last_map_path == Path("world.bsp"), goes);  // where Save starts
      }
      EXPECT_EQ(TakeMessages(), Lines{"Unsaved Changes: Save changes to test.bsp?"});
    }
  }
}

}  // namespace tarnwick::test
