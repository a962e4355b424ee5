// Start-up, the layout, the camera and the 3D view's frames.
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

#include "app_test.h"

namespace tarnwick::test {

using View = AppTest;

TEST_F(View, TheCommandLinesMapOpensAndItsPathIsKeptWhole) {
  EXPECT_TRUE(Frame(Start("\"" + Path("gone.bsp") + "\"")).IsBlack());  // and nothing is said
  const std::string path = Write("my maps/two words.bsp", RoomMap());
  TForm1& form = Start("\"" + std::filesystem::relative(path).string() + "\" -console");
  EXPECT_EQ(form.last_map_path, std::filesystem::weakly_canonical(path).string());
  EXPECT_FALSE(Frame(form).IsBlack());
  std::filesystem::remove(dir_ / "Config.cfg");
  Start(path).AddClick();  // the map loads, without spawn-point types
  EXPECT_EQ(TakeMessages(), Lines{"Error: Failed To Open File \"Config.cfg\""});
  EXPECT_EQ(form_->SpawnPointBox->Count() + form_->bsp_file->GetEntityCount(), kRoomEntities);
}

// At the window's opening size every text fits its control (a spawn point far out, the bundled
// types, a class name of 24 letters, the FGD's classes); at any size every control fits the window.
TEST_F(View, EveryTextFitsItsControlAndEveryControlTheWindow) {
  TForm1& form = StartWith(
      RoomWith(Block({{"classname", "info_player_start"}, {"origin", "-3232 -1508 -664"}}) +
               Block({{"classname", "monster_alien_controller"}, {"origin", "0 0 0"}})));
  Answer(DataFile("sample.fgd"));
  form.LoadFDGButtonClick();
  for (const QSize size : {form.size(), QSize(1000, 800)}) {
    form.resize(size);
    for (const int tab : {3, 2, 1, 0}) {
      ShowTab(tab);
      if (tab == 1) PickEntityType(1);
      if (tab == 2) Search("monster", 0);
      QApplication::processEvents();
      for (QWidget* w : form.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&form)) continue;
        EXPECT_TRUE(form.rect().contains(QRect(w->mapTo(&form, QPoint(0, 0)), w->size())));
        const auto* list = qobject_cast<QListWidget*>(w);
        EXPECT_FALSE(list && list->horizontalScrollBar()->maximum() > 0);
        QStringList texts;
        QRect room = w->contentsRect();  // a label's
        if (const auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
        if (const auto* b = qobject_cast<QAbstractButton*>(w)) {
          QStyleOptionButton option;
          option.initFrom(w);
          texts << (option.text = b->text());
          room = w->style()->subElementRect(qobject_cast<QCheckBox*>(w)
                                                ? QStyle::SE_CheckBoxContents
                                                : QStyle::SE_PushButtonContents,
                                            &option, w);
        }
        if (auto* box = qobject_cast<QComboBox*>(w)) {
          QStyleOptionComboBox option;
          option.initFrom(w);
          option.editable = box->isEditable();
          for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
          room = w->style()  // less the margins its text keeps
                     ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, w)
                     .adjusted(2, 0, -2, 0);
        }
        for (const QString& text : texts) {
          EXPECT_LE(QFontMetrics(w->font()).horizontalAdvance(text), room.width())
              << text.toStdString() << " on tab " << tab << " at " << size.width();
        }
      }
    }
  }
}

TEST_F(View, KeysFlyTheCameraButKeysTypedIntoAFieldStayThere) {
  TForm1& form = StartWith(RoomMap());
  const auto at = [&] {
    return form.CPosXEdit->Text() + " " + form.CPosYEdit->Text() + " " + form.CPosZEdit->Text() +
           " " + form.CPosAngleEdit->Text();
  };
  form.CPosAngleEdit->SetText("86.40");  // the angle shown is the camera's yaw + 90
  form.FormKeyDown(Qt::Key_Left, true);  // 356.4 + 7.2 wraps to 3.6, with Shift too
  form.FormKeyDown(Qt::Key_W, true);     // Shift takes ten steps of 10
  form.FormKeyDown(Qt::Key_Q, false);
  EXPECT_EQ(at(), "-6.28 99.80 10.00 93.60");
  // The keypad steps with NumLock off too (arrows and Home with the keypad modifier); keys in
  // the view reach the window; the digits above the letters do nothing.
  form.CPosAngleEdit->SetText("90");
  for (const int key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Home}) {
    Key(form.view, key, "", Qt::KeypadModifier);
  }
  form.FormKeyDown(Qt::Key_8, false);
  EXPECT_EQ(at(), "-16.28 109.80 20.00 90.00");
  // Keys typed into a field, drop-down, list or memo stay there; a button passes them on.
  for (QWidget* field : std::initializer_list<QWidget*>{form.SpeadEdit, form.DrawModeComboBox,
                                                        form.EntityTypeComboBox->lineEdit(),
                                                        form.SpawnPointListBox, form.Memo1}) {
    Key(field, Qt::Key_Up);
    Key(field, Qt::Key_W, "w");
  }
  EXPECT_EQ(at() + " " + std::to_string(int(form.camera_pitch)), "-16.28 109.80 20.00 90.00 0");
  Key(form.Add, Qt::Key_W, "w");
  Key(form.Add, Qt::Key_Up);
  EXPECT_EQ(at() + " " + std::to_string(int(form.camera_pitch)), "-16.28 119.80 20.00 90.00 352");
  ShowTab(2);  // the mouse looks around, but not in the entity editor
  form.FormMouseDown(true);
  EXPECT_FALSE(form.mouse_look);
}

// Each change draws one frame, however many of its handlers asked for one; the offset takes whole
// numbers only.
TEST_F(View, EachChangeDrawsOneFrame) {
  TForm1& form = StartWith(RoomMap());
  const auto frames = [&](const std::function<void()>& change) {
    const int before = form.frames_drawn;
    change();
    for (int i = 0, quiet = 0; i < 300 && quiet < 20; ++i) {  // until the view is quiet
      const int drawn = form.frames_drawn;
      QApplication::processEvents(QEventLoop::AllEvents, 10);
      quiet = form.frames_drawn == drawn ? quiet + 1 : 0;
    }
    return form.frames_drawn - before;
  };
  frames([] {});                                                      // those of the start
  EXPECT_EQ(frames([&] { form.FormKeyDown(Qt::Key_D, false); }), 1);  // the edit's and the key's
  EXPECT_EQ(frames([&] { form.SPosXEdit->SetText("-250"); }), 1);
  EXPECT_EQ(frames([&] { form.OffsetEdit->SetText("12.5"); }), 0);
  EXPECT_EQ(form.view_offset, 1000);
}

TEST_F(View, SpawnPointsCubesShowWhichAreFreeAndWhichBlocked) {
  TForm1& form = StartWith(RoomMap());
  const auto near = [&](QRgb rgb, float x, float y, float z) {
    const Frame frame(form);
    return frame.Count(rgb, frame.Around(x, y, z)) > 0;
  };
  // The selected spawn point yellow, its type's others magenta, the other types' blue, the camera
  // green; no red while nothing is blocked.
  EXPECT_TRUE(near(kYellow, -300, 200, 0) && near(kMagenta, -300, -200, 0));
  EXPECT_TRUE(near(kBlue, 250, 50, 0) && near(kGreen, 0, 0, 0));
  EXPECT_FALSE(Frame(form).Has(kRed) || Frame(form).Has(kDarkRed) || Frame(form).Has(kDarkerRed));
  PickSpawnPoint(1);  // moved next to the third start, the second is blocked and so is the third
  form.SPosXEdit->SetText("100");
  form.SPosYEdit->SetText("-100");
  EXPECT_TRUE(near(kRed, 100, -100, 0) && near(kDarkRed, 100.4f, -20, 36.7f));
  PickSpawnType(1);  // with the other type selected, the blocked starts are the darkest red
  EXPECT_TRUE(near(kDarkerRed, 100.4f, -20, 36.7f));
  PickSpawnType(0);  // moved onto a spawn point, the camera's cube turns red
  form.MoveHearClick();
  EXPECT_EQ(form.CPosXEdit->Text() + " " + form.CPosAngleEdit->Text(), "-300.00 90.00");
  EXPECT_TRUE(near(kRed, -300, 200, 0) && !Frame(form).Has(kGreen));
}

TEST_F(View, TheModelViewerHighlightsTheChosenModelAndMovesTheCameraToIt) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(3);
  // The translucent red, alone or over a line, over half of an area or none of it: the door's,
  // the pendulum's and the floor's, where nothing else lies over them.
  const auto red = [](QRgb p) { return qRed(p) >= 90 && qGreen(p) == 0 && qBlue(p) == 0; };
  const auto lit = [&](float x0, float y0, float x1, float y1, float z) {
    const Frame f(form);
    const QRect area(f.Project(x0, y0, z), f.Project(x1, y1, z));
    const int count = f.Count(red, area);
    return count * 2 > area.width() * area.height() ? 1 : count == 0 ? 0 : -1;
  };
  const auto lit_models = [&] {
    return std::array{lit(150, 300, 300, 100, -128), lit(-110, -70, -50, -150, 0),
                      lit(-430, 30, -370, -30, 40)};
  };
  EXPECT_EQ(lit_models(), (std::array{1, 1, 1}));  // model 0 is the room: all of it
  Pick(form.ModelComboBox, 1, &F::ModelComboBoxChange);
  EXPECT_EQ(lit_models(), (std::array{0, 1, 0}));
  Pick(form.ModelComboBox, 2, &F::ModelComboBoxChange);
  ShowTab(0);  // the choice stays when the tab is shown again
  ShowTab(3);
  EXPECT_EQ(lit_models(), (std::array{0, 0, 1}));
  // From far away the pendulum is out of sight; MoveToModel brings all of it into the middle.
  form.CPosXEdit->SetText("3000");
  EXPECT_EQ(Frame(form).Count(red), 0);
  form.MoveToModelClick();
  const Frame moved(form);
  EXPECT_GT(moved.Count(red, QRect(moved.Project(-400, 0, 0) - QPoint(2, 2), QSize(5, 5))), 0);
  EXPECT_EQ(moved.Count(red), moved.Count(red, form.GLPanel->geometry().adjusted(3, 3, -3, -3)));
}

}  // namespace tarnwick::test
