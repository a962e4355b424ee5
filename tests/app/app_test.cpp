// The editor's windows built as start-up builds them and driven through their controls: the 3D
// view's frames read back, message boxes and dialogs answered in place of the user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <deque>
#include <filesystem>
#include <numbers>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "config/settings.h"
#include "support/bsp_builder.h"
#include "support/gcf_writer.h"
#include "web/help_window.h"

namespace tarnwick::test {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
const std::string kSampleFgd = TARNWICK_DATA "/sample.fgd";

// Model 0 is a room from (-512 -384 -128) to (512 384 256); model 1, a door, a box from
// (-120 -160 -128) to (-40 -60 0); model 2 a box from (-440 -40 -40) to (-360 40 40).
Bytes RoomWith(const std::string& entities) {
  BspBuilder map;
  map.AddBox({-512, -384, -128}, {512, 384, 256}, true);
  map.AddModel();
  map.AddBox({-120, -160, -128}, {-40, -60, 0}, false);
  map.AddModel();
  map.AddBox({-440, -40, -40}, {-360, 40, 40}, false);
  map.AddModel();
  map.SetEntities(Block({{"classname", "worldspawn"}}) + entities);
  return map.Build();
}
// Entities 1 to 3 are starts, 4 and 5 deathmatch starts, 6 the door, 7 a pendulum (no configured
// group), 8 and 9 lights, 10 a target. No two spawn points, nor the camera at the origin, are
// within 90 units of each other; within 200, start 3 and deathmatch start 1 are.
Bytes RoomMap() {
  const auto at = [](const char* class_name, const char* origin, const char* key, const char* yaw) {
    return Block({{"classname", class_name}, {"origin", origin}, {key, yaw}});
  };
  return RoomWith(at("info_player_start", "-300 200 0", "angles", "0 90 0") +
                  at("info_player_start", "-300 -200 0", "angles", "0 0 0") +
                  at("info_player_start", "100.4 -20 36.7", "angles", "0 -10 0") +
                  at("info_player_deathmatch", "250 50 0", "angle", "180") +
                  at("info_player_deathmatch", "300 -250 0", "angles", "0 270 0") +
                  Block({{"classname", "func_door"}, {"model", "*1"}}) +
                  at("func_pendulum", "0 0 0", "model", "*2") +
                  Block({{"classname", "light"}, {"origin", "-100 250 100"}}) +
                  at("light", "100 250 100", "angle", "45") +
                  Block({{"classname", "info_target"}, {"origin", "0 -300 0"}}));
}
constexpr int kRoomEntities = 11;

constexpr QRgb kBlack = qRgb(0, 0, 0), kGreen = qRgb(0, 255, 0), kRed = qRgb(255, 0, 0),
               kYellow = qRgb(255, 255, 0), kMagenta = qRgb(255, 0, 255), kBlue = qRgb(0, 0, 255),
               kDarkRed = qRgb(155, 0, 0), kDarkerRed = qRgb(100, 0, 0);

// One frame of the 3D view as its framebuffer holds it, within the viewport.
struct Frame {
  explicit Frame(TForm1& shown) : form(shown) {}
  // The pixels that match within `area`, or within the viewport when that is null.
  int Count(const std::function<bool(QRgb)>& match, QRect area = {}) const {
    area = area.isNull() ? viewport : area & viewport;
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = area.left(); x <= area.right(); ++x) count += match(line[x] & 0xFFFFFF);
    }
    return count;
  }
  int Count(QRgb rgb, QRect area = {}) const {
    return Count([rgb](QRgb pixel) { return pixel == (rgb & 0xFFFFFF); }, area);
  }
  bool Has(QRgb rgb) const { return Count(rgb) > 0; }
  bool IsBlack() const { return Count(kBlack) == viewport.width() * viewport.height(); }
  // Where a map point appears while the camera looks straight down (yaw and pitch 0).
  QPoint Project(float x, float y, float z) const {
    const auto& camera = form.camera_pos;
    const double fov = form.ScaleBar->value() * 0.1 * std::numbers::pi / 180;
    const double half = (form.view_offset - (z - camera[2])) * std::tan(fov / 2);
    const double aspect = double(form.GLPanel->width()) / form.GLPanel->height();
    const double nx = (x - camera[0]) / (half * aspect), ny = (y - camera[1]) / half;
    return {viewport.left() + int(std::lround((nx + 1) / 2 * viewport.width())),
            viewport.top() + int(std::lround((1 - ny) / 2 * viewport.height()))};
  }
  bool Near(QRgb rgb, float x, float y, float z) const {  // within a cube of the usual size
    return Count(rgb, {Project(x, y, z) - QPoint(12, 12), QSize(25, 25)}) > 0;
  }

  TForm1& form;
  QImage image = form.view->grabFramebuffer().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QRect viewport = form.GLPanel->geometry().adjusted(2, 2, -2, -2);
};

class View : public ::testing::Test {
 protected:
  using F = TForm1;
  void SetUp() override {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(TARNWICK_DATA "/Config.cfg", dir_ / "Config.cfg");
    ui::message_box = [this](const std::string& text, const std::string& caption,
                             const Lines& buttons) {
      messages_.push_back(caption + ": " + text);
      const auto reply = std::find(buttons.begin(), buttons.end(), reply_);
      return reply == buttons.end() ? 0 : int(reply - buttons.begin());
    };
    ui::file_dialog = [this](const ui::FileDialog& dialog) {
      if (answers_.empty()) ADD_FAILURE() << "an unexpected file dialog \"" << dialog.title << '"';
      std::optional<std::string> answer;
      if (!answers_.empty()) answer = answers_.front(), answers_.pop_front();
      return answer;
    };
  }
  void TearDown() override {
    Close();
    EXPECT_TRUE(answers_.empty()) << "file dialogs the program never showed";
    EXPECT_EQ(messages_, Lines{}) << "messages no test looked at";
    ui::message_box = nullptr;  // a message or dialog outside a test throws
    ui::file_dialog = nullptr;
    ui::question_dialog = nullptr;
    fs::remove_all(dir_);
  }

  // The windows of a new process, built as start-up builds them; the main window shown.
  TForm1& Start(const std::string& command_line = "") {
    Close();
    help_window_bounds = picker_window_bounds = {};
    form_ = std::make_unique<TForm1>(dir_.string(), command_line);
    help_ = std::make_unique<TForm3>();
    picker_ = std::make_unique<TForm4>(*form_);
    form_->help = help_.get();
    form_->picker = picker_.get();
    form_->show();
    return *form_;
  }
  TForm1& StartWith(const Bytes& map) {  // and loads `map` with the load button
    Start();
    Load(Write("test.bsp", map));
    return *form_;
  }
  void Close() {  // as the user closes the program: the main window hides, then the windows go
    if (form_) form_->hide();
    picker_.reset();
    help_.reset();
    form_.reset();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    WriteFileBytes(Path(name), bytes);
    return Path(name);
  }
  // The next file dialog is answered with `path`; nothing is the user cancelling.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  void Load(const std::string& path) {
    Answer(path);
    form_->LoadButtonClick();
  }
  Bytes Save(const std::string& name) {  // as `name` in the test's folder: what was written
    Answer(Path(name));
    form_->SaveButtonClick();
    return ReadFileBytes(Path(name));
  }
  Lines TakeMessages() { return std::exchange(messages_, {}); }  // as "caption: text"

  // A click on a tab, and a user's choices in the lists: the selection, then its handler.
  void ShowTab(int tab) { form_->PageControl1->setCurrentIndex(tab); }
  template <class List>
  void Pick(List* list, int i, void (F::*handler)()) {
    list->SetItemIndex(i);
    (form_.get()->*handler)();
  }
  void PickSpawnType(int i) { Pick(form_->SpawnPointBox, i, &F::SpawnPointBoxChange); }
  void PickSpawnPoint(int i) { Pick(form_->SpawnPointListBox, i, &F::SpawnPointListBoxClick); }
  void PickEntityType(int i) { Pick(form_->EntityTypeComboBox, i, &F::EntityTypeComboBoxChange); }
  void PickEntity(int i) { Pick(form_->EntityListBox, i, &F::SpawnPointListBoxClick); }
  void Search(const std::string& text, int type) {
    form_->SearchEdit->SetText(text);
    Pick(form_->SearchComboBox, type, &F::SearchComboBoxChange);
  }
  void SetText(const Lines& lines) {  // the entity editor's text
    form_->Memo1->Clear();
    for (const std::string& line : lines) form_->Memo1->AddLine(line);
  }
  // The user clicks list item `row` with the mouse, or double-clicks it.
  static void Click(ui::ListBox* list, int row, bool twice = false) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice) QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
  }
  static void Type(QLineEdit* edit, const std::string& text) {  // over its selected text
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
  }

  std::string Camera() const {  // the camera's fields and pitch
    const F& f = *form_;
    return f.CPosXEdit->Text() + " " + f.CPosYEdit->Text() + " " + f.CPosZEdit->Text() + " " +
           f.CPosAngleEdit->Text() + " " + std::to_string(int(f.camera_pitch));
  }
  std::string Fields() const {  // the selected spawn point's
    const F& f = *form_;
    return f.SPosXEdit->Text() + " " + f.SPosYEdit->Text() + " " + f.SPosZEdit->Text() + " " +
           f.SPAngleEditY->Text();
  }
  std::string Blocked() const {  // the starts', then the deathmatch starts' marks
    std::string marks;
    for (const int type : {0, 1})
      for (const SpawnPoint& sp : form_->bsp_file->spawn_points[type])
        marks += sp.blocked ? 'x' : '.';
    return marks;
  }
  bool Holds(int index, const std::string& part) const {
    return Texts().at(index).find(part) != std::string::npos;
  }
  Lines Texts() const { return TextsOf(*form_->bsp_file); }
  template <class List>
  static Lines Items(const List* list) {
    Lines items;
    for (int i = 0; i < list->Count(); ++i) items.push_back(list->Item(i));
    return items;
  }

  const fs::path dir_ = ::testing::TempDir() + "tarnwick_app_" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name();
  Lines messages_;
  std::string reply_ = "Discard";  // the answer to a question
  std::deque<std::optional<std::string>> answers_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TForm3> help_;
  std::unique_ptr<TForm4> picker_;
};

using Editors = View;

TEST_F(View, AMapOpensFromTheCommandLineWithItsPathWholeAndAFailedLoadLeavesNone) {
  EXPECT_TRUE(Frame(Start('"' + Path("gone.bsp") + '"')).IsBlack());  // and nothing is said
  const std::string path = Write("my maps/two words.bsp", RoomMap());
  TForm1& form = Start('"' + fs::relative(path).string() + "\" -console");
  EXPECT_EQ(form.last_map_path, fs::weakly_canonical(path).string());
  EXPECT_FALSE(Frame(form).IsBlack());
  fs::remove(dir_ / "Config.cfg");
  Start(path).AddClick();  // the map loads, without spawn-point types
  EXPECT_EQ(TakeMessages(), Lines{"Error: Failed To Open File \"Config.cfg\""});
  EXPECT_EQ(form_->SpawnPointBox->Count() + form_->bsp_file->GetEntityCount(), kRoomEntities);
  // A failed load is reported and leaves no map and a black view.
  for (const Bytes& bad : {Bytes{}, Bytes(100, 0)}) {
    Load(Write("room.bsp", RoomMap()));
    ASSERT_FALSE(Frame(*form_).IsBlack());
    Load(Write("bad.bsp", bad));
    EXPECT_TRUE(form_->bsp_file == nullptr && Frame(*form_).IsBlack());
  }
  form_->SaveButtonClick();
  Load(Path("nowhere.bsp"));  // a file that is not there is passed over in silence
  EXPECT_EQ(TakeMessages(), (Lines{"Error: LoadFile Error (file_size_<=0)",  // the map's too
                                   "Error: BSPFile::BSPFile (file_size_ to small to load header)",
                                   "Error: No File To Save"}));
}

TEST_F(View, KeysFlyTheCameraButKeysTypedIntoAFieldStayThere) {
  TForm1& form = StartWith(RoomMap());
  form.CPosAngleEdit->SetText("86.40");  // the angle shown is the camera's yaw + 90
  form.FormKeyDown(Qt::Key_Left, true);  // 356.4 + 7.2 wraps to 3.6, with Shift too
  form.FormKeyDown(Qt::Key_W, true);     // Shift takes ten steps of 10
  form.FormKeyDown(Qt::Key_Q, false);
  EXPECT_EQ(Camera(), "-6.28 99.80 10.00 93.60 0");
  // The keypad with NumLock off too, from the view; the digits above the letters do nothing.
  form.CPosAngleEdit->SetText("90");
  for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Home})
    QTest::keyClick(form.view, key, Qt::KeypadModifier);
  form.FormKeyDown(Qt::Key_8, false);
  EXPECT_EQ(Camera(), "-16.28 109.80 20.00 90.00 0");
  // Keys typed into a field, drop-down, list or memo stay there; a button passes them on.
  for (QWidget* field : std::initializer_list<QWidget*>{
           form.SpeadEdit, form.DrawModeComboBox, form.EntityTypeComboBox->lineEdit(),
           form.SpawnPointListBox, form.Memo1, form.Add})
    for (const Qt::Key key : {Qt::Key_W, Qt::Key_Up}) QTest::keyClick(field, key);
  EXPECT_EQ(Camera(), "-16.28 119.80 20.00 90.00 352");
  ShowTab(2);  // the mouse looks around, but not in the entity editor
  form.FormMouseDown(true);
  EXPECT_FALSE(form.mouse_look);
}

// However many of its handlers ask for one.
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
}

TEST_F(View, SpawnPointsCubesShowWhichAreFreeAndWhichBlocked) {
  TForm1& form = StartWith(RoomMap());
  // Selected yellow, its type's others magenta, other types blue, the camera green; no red yet.
  EXPECT_TRUE(Frame(form).Near(kYellow, -300, 200, 0) && Frame(form).Near(kMagenta, -300, -200, 0));
  EXPECT_TRUE(Frame(form).Near(kBlue, 250, 50, 0) && Frame(form).Near(kGreen, 0, 0, 0));
  EXPECT_FALSE(Frame(form).Has(kRed) || Frame(form).Has(kDarkRed) || Frame(form).Has(kDarkerRed));
  PickSpawnPoint(1);  // moved next to the third start, the second is blocked and so is the third
  form.SPosXEdit->SetText("100");
  form.SPosYEdit->SetText("-100");
  EXPECT_TRUE(Frame(form).Near(kRed, 100, -100, 0) &&
              Frame(form).Near(kDarkRed, 100.4f, -20, 36.7f));
  PickSpawnType(1);  // with the other type selected, the blocked starts are the darkest red
  EXPECT_TRUE(Frame(form).Near(kDarkerRed, 100.4f, -20, 36.7f));
  PickSpawnType(0);  // moved onto a spawn point, the camera's cube turns red
  form.MoveHearClick();
  EXPECT_EQ(Camera(), "-300.00 200.00 0.00 90.00 0");
  EXPECT_TRUE(Frame(form).Near(kRed, -300, 200, 0) && !Frame(form).Has(kGreen));
}

TEST_F(View, TheModelViewerHighlightsTheChosenModelAndMovesTheCameraToIt) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(3);
  // Translucent red over half or none of the floor's, the door's and the pendulum's free areas.
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

TEST_F(Editors, TheSpawnPointEditorShowsAndEditsTheSelectedSpawnPoint) {
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
  const FGDFile fgd(kSampleFgd);
  Answer(kSampleFgd);
  form.LoadFDGButtonClick();
  EXPECT_EQ(Items(form.FGDEntitysComboBox), fgd.ListEntitys());
  form.SearchEdit->SetText("ligh");  // Enter runs the search
  QTest::keyClick(form.SearchEdit, Qt::Key_Return);
  EXPECT_EQ(Items(form.EntitysComboBox), Lines{"001   (light)"});
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
  EXPECT_EQ(Texts()[2], "{\n\"classname\" \"light\"\n\"origin\" \"4 5 6\"\n}");
  form.Button2Click();  // New, then Delete of what was found
  EXPECT_EQ(Items(form.EntitysComboBox), Lines{"001   (new_entity)"});
  EXPECT_EQ(form.Memo2->Lines(), Lines{"Could not find entity \"new_entity\" in the fgd"});
  form.Button1Click();
  Search("worldspawn", 3);  // the world stays first
  form.Button1Click();
  Search("info_null", 3);
  Search("nothing", 3);
  form.Button1Click();
  EXPECT_EQ(Texts(), (Lines{texts[0], texts[1], Texts()[2]}));
  EXPECT_EQ(TakeMessages(),
            (Lines{"Error: SpawnPoint::Read (No origin in entity (info_player_start)",
                   "Error: BSPFile::DeleteEntity (worldspawn must stay the first entity)",
                   "Error: TForm1::RefreshEntity (Entity end found befor entity was scanned)",
                   "Error: TForm1::Button1Click (entity index < 0)"}));
}

// Neither a new map nor deletions in the entity editor leave points of the old list to draw.
TEST_F(Editors, ThePointEditorLeavesNoStalePointsToDraw) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(3);
  Load(Write("world.bsp", RoomWith(Block({{"classname", "light"}, {"origin", "8 16 32"}}))));
  EXPECT_EQ(Items(form.EntityListBox), Lines{"02 (8,16,32)"});
  ShowTab(2);
  Search("light", 3);
  form.Button1Click();
  ShowTab(1);
  EXPECT_EQ(form.EntityTypeComboBox->Count() + form.EntityListBox->Count(), 0);
  EXPECT_FALSE(Frame(form).Has(kMagenta) || Frame(form).Has(kYellow));
}

TEST_F(Editors, TheCachePickerListsTheMapsAndADoubleClickLoadsOneOrSaysWhyNot) {
  GcfWriter writer(0x200);  // small blocks: each map spans many
  GcfLayout layout;
  writer.AddFile("readme.txt", Bytes(100, 'x'));
  const Bytes room = RoomMap(), world = RoomWith("");
  const uint32_t zeta = writer.AddFile("zeta.bsp", room);
  writer.AddFile("alpha.bsp", world);
  writer.AddFile("long.bsp", room, 0, {.chain_goes_on = true});
  Bytes cache = writer.Build(&layout);
  TForm1& form = StartWith(room);
  Load(Write("maps.gcf", cache));
  EXPECT_EQ(Items(picker_->ListBox1), (Lines{"zeta.bsp", "alpha.bsp", "long.bsp"}));
  Click(picker_->ListBox1, 1);  // a single click only selects
  EXPECT_TRUE(picker_->isVisible());
  Click(picker_->ListBox1, 1, true);
  EXPECT_FALSE(picker_->isVisible());
  EXPECT_EQ(form.bsp_file->raw_file, world);
  SetI32(cache, layout.fragmentation_map + 4 * layout.blocks[zeta][0], 0x7FFFFFF0);  // to nowhere
  Load(Write("broken.gcf", cache));
  Click(picker_->ListBox1, 0, true);
  EXPECT_EQ(form.bsp_file->raw_file, world);  // the map loaded before stays
  picker_->show();
  Click(picker_->ListBox1, 2, true);
  EXPECT_EQ(form.bsp_file->raw_file, room);
  Load(Write("fake.gcf", room));
  EXPECT_EQ(TakeMessages(),
            (Lines{"Error: GCF::ExtractItem (broken block chain)",
                   "Error: Warnning File May Be Incompleat",
                   "Error: Failed to open file\nIf steam is open close\nit and try again"}));
}

// With the keys pressed in a text field.
TEST_F(Editors, EveryEditUndoesToTheLoadedMapAndRedoesToTheEditedOne) {
  const std::string good = Block({{"classname", "worldspawn"}}) + Block({{"classname", "light"}});
  Write("good.ent", Bytes(good.begin(), good.end()));
  TForm1& form = StartWith(RoomMap());
  const std::string title = form.windowTitle().toStdString();
  const Lines loaded = Texts(), spawns = Items(form.SpawnPointListBox);
  const Bytes loaded_file = Save("loaded.bsp");
  PickSpawnPoint(1);
  Type(form.SPosXEdit, "-250");  // one step however many keys, until the field loses the focus
  QFocusEvent focus_out(QEvent::FocusOut);
  QApplication::sendEvent(form.SPosXEdit, &focus_out);
  Type(form.SPosXEdit, "-260");
  Type(form.SPAngleEditY, "30");
  EXPECT_EQ(form.windowTitle().toStdString(), title + " *");
  form.CPosXEdit->SetText("50");  // SetToCurrentPos and Add take the camera's place and facing
  form.CPosAngleEdit->SetText("135");
  form.SetToCurentPosClick();
  EXPECT_EQ(Fields(), "50.00 0.00 0.00 135.00");
  form.AddClick();
  PickSpawnPoint(0);
  form.DeleteClick();  // the others move up
  EXPECT_EQ(Items(form.SpawnPointListBox),
            (Lines{"01 (50,0,0)", "02 (100,-20,37)", "03 (50,0,0)"}));
  EXPECT_TRUE(
      Holds(kRoomEntities - 1, "\"angles\" \"0 135 0\"\n\"classname\" \"info_player_start\""));
  ShowTab(1);         // the point editor moves a light and deletes the other
  PickEntityType(3);  // the lights, numbered by their place in the map
  PickEntity(1);
  form.SPosZEdit->SetText("120");
  PickEntity(0);
  form.DeleteEntityClick();
  EXPECT_EQ(Items(form.EntityListBox), Lines{"08 (100,250,120)"});
  ShowTab(2);  // the entity editor adds, deletes, applies a text and imports
  form.Button2Click();
  Search("func_door", 3);
  form.Button1Click();
  Search("worldspawn", 3);
  SetText({"{", "\"classname\" \"worldspawn\"", "\"message\" \"edited\"", "}"});
  form.ScanEntityClick();
  Answer(Path("good.ent"));
  form.ImportEntClick();
  const Lines edited = Texts();
  const Bytes edited_file = Save("edited.bsp");
  EXPECT_EQ(form.windowTitle().toStdString(), title);
  const int kSteps = 12;
  ShowTab(0);
  for (int step = 0; step < kSteps; ++step) {
    EXPECT_NE(Texts(), loaded) << step;  // not before the last step is undone
    QTest::keyClick(form.SPosXEdit, Qt::Key_Z, Qt::ControlModifier);
  }
  EXPECT_EQ(Texts(), loaded);
  EXPECT_EQ(Items(form.SpawnPointListBox), spawns);
  EXPECT_EQ(form.windowTitle().toStdString(), title + " *");
  EXPECT_EQ(Save("undone.bsp"), loaded_file);
  for (int step = 0; step < kSteps; ++step)  // Ctrl+Y and Ctrl+Shift+Z redo
    QTest::keyClick(form.SPosXEdit, step % 2 ? Qt::Key_Y : Qt::Key_Z,
                    Qt::ControlModifier | (step % 2 ? Qt::NoModifier : Qt::ShiftModifier));
  EXPECT_EQ(Texts(), edited);
  EXPECT_EQ(Save("redone.bsp"), edited_file);
  Load(Path("redone.bsp"));  // the edits were saved
  EXPECT_EQ(Texts(), edited);
}

TEST_F(Editors, UnsavedChangesAreSavedDiscardedOrKeptAsTheUserAnswers) {
  // The answer, where the save dialog saves (nothing: cancelled), and whether the map goes.
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

TEST_F(Editors, FillAddsThePlacesFoundAsTheTypeSpawnPointsAndSaysWhatIsMissing) {
  // A start 36 above the room's floor, and a deathmatch start in the air.
  TForm1& form = StartWith(RoomWith(
      Block({{"classname", "info_player_start"}, {"origin", "0 200 -92"}, {"angle", "0"}}) +
      Block({{"classname", "info_player_deathmatch"}, {"origin", "0 0 200"}})));
  // Presses Fill and answers the question with `answer`; gives the texts the question offered.
  const auto fill = [&](std::optional<Lines> answer) {
    Lines offered;
    ui::question_dialog = [&](const ui::Question& question) {
      for (const auto& field : question.fields) offered.push_back(field.second);
      return answer;
    };
    form.FillClick();
    return offered;
  };
  form.MinDisEdit->SetText("100");
  EXPECT_EQ(fill(Lines{"3", "64"}), (Lines{"1", "100.00"}));
  EXPECT_EQ(Items(form.SpawnPointListBox),
            (Lines{"01 (0,200,-92)", "02 (0,120,-92)", "03 (-80,200,-92)"}));
  EXPECT_EQ(form.EntitysComboBox->Count(), form.bsp_file->GetEntityCount());
  // Spaced for 64, they lie within 100 of each other: the spacing check marks them.
  EXPECT_TRUE(Frame(form).Near(kDarkRed, -80, 200, -92));
  QTest::keyClick(form.SPosXEdit, Qt::Key_Z, Qt::ControlModifier);  // the whole fill is one step
  EXPECT_EQ(form.SpawnPointListBox->Count(), 1);
  QTest::keyClick(form.SPosXEdit, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(fill(std::nullopt), (Lines{"3", "100.00"}));  // cancelled: nothing changes
  PickSpawnType(1);
  fill(Lines{"2", "90"});
  fill(Lines{"2", "20"});
  fill(Lines{"two", "90"});
  EXPECT_EQ(
      TakeMessages(),
      (Lines{"Fill: 1 of 2 spawn points could not be placed",
             "Error: PlanSpawnPoints (spacing must be a number of at least 32)",
             "Error: Fill (the spawn points must be a whole number and the spacing a number)"}));
  EXPECT_EQ(Items(form.SpawnPointListBox), Lines{"01 (0,0,200)"});
}

using Numbers = std::array<int32_t, Settings::kNumberCount>;
const Numbers kFirstRun = {40,  50,   800, 500,   0,  0,  600, 400, 101,  60, 256,
                           300, 1000, 601, 10000, 10, 90, 1,   0,   1000, 3};
const Numbers kRemembered = {40,  50,   800, 500,  150, 160, 320, 240, 210, 220, 300,
                             350, 1500, 12,  8000, 3,   -64, -1,  1,   250, 2};

// Bounds of no width or height are no places; a file cut short applies the numbers it holds whole.
TEST_F(View, EveryValueComesBackFromTheSettingsFileAndWindowsKeepTheirPlaces) {
  const std::string file = Path("settings.twk"), map = "/srv/big hall \xe9t\xe9.bsp",
                    fgd = "/\x80\xff";
  const auto written = [&] { return ReadSettings(file).value_or(Settings{}).numbers; };
  Start().setGeometry(40, 50, 800, 500);
  Close();
  EXPECT_EQ(written(), kFirstRun);
  TForm1& form = Start();
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
  form.last_map_path = map;
  form.last_fgd_path = fgd;
  Close();
  const Bytes bytes = ReadFileBytes(file);
  EXPECT_EQ(bytes.size(), 86 + map.size() + fgd.size());
  EXPECT_EQ(written(), kRemembered);
  Start();  // the help window and the picker stay hidden, yet take their places and record them
  EXPECT_EQ(form_->SpeadEdit->Text() + " " + form_->MinDisEdit->Text(), "3 -64");
  Close();
  EXPECT_EQ(ReadFileBytes(file), bytes);
  Bytes zeros = bytes;
  std::fill(zeros.begin() + 16, zeros.begin() + 48, 0);
  for (const bool whole : {true, false}) {
    WriteFileBytes(file, whole ? zeros : Bytes(bytes.begin(), bytes.begin() + 48));
    Start();
    EXPECT_EQ(help_->geometry(), whole ? QRect(0, 0, 600, 400) : QRect(150, 160, 320, 240));
    EXPECT_EQ(picker_->geometry(), whole ? QRect(101, 60, 256, 300) : QRect(210, 220, 300, 350));
    Close();
    Numbers expected = whole ? kRemembered : kFirstRun;
    std::copy_n(&(whole ? kFirstRun : kRemembered)[4], 8, &expected[4]);
    EXPECT_EQ(written(), expected);
  }
}

}  // namespace tarnwick::test

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  QFont font = QApplication::font();
  font.setPixelSize(11);  // as the program sets it: the controls are placed for a small font
  QApplication::setFont(font);
  return RUN_ALL_TESTS();
}
