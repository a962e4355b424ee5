#pragma once
// What the window tests share: a program folder with a configuration, message boxes and file
// dialogs answered in place of the user, the windows built as start-up builds them, the maps to
// load, and the 3D view's frame read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>
#include <deque>
#include <filesystem>
#include <numbers>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "support/bsp_builder.h"
#include "web/help_window.h"

namespace tarnwick::test {

using Lines = std::vector<std::string>;

inline std::string DataFile(const std::string& name) {
  return std::string(TARNWICK_DATA) + "/" + name;
}

// The map most tests edit. Seen from above, as the camera at its start sees it, it holds:
//   entity 0   worldspawn
//   1, 2, 3    info_player_start at (-300 200 0) yaw 90, (-300 -200 0) yaw 0,
//              (100.4 -20 36.7) yaw -10, all with "angles"
//   4, 5       info_player_deathmatch at (250 50 0) with "angle" 180, (300 -250 0) yaw 270
//   6          func_door, model 1: a box from (-120 -160 -128) to (-40 -60 0)
//   7          func_pendulum (no configured group), model 2: a box from (-440 -40 -40) to
//              (-360 40 40)
//   8, 9       light at (-100 250 100) without a yaw, at (100 250 100) with "angle" 45
//   10         info_target at (0 -300 0)
// Model 0 is a room from (-512 -384 -128) to (512 384 256). No two spawn points, nor the camera
// at the origin, are within 90 units of each other; within 200, spawn points 3 and 4 are.
// RoomWith has the same models, a plain world and then `entities`.
inline Bytes RoomWith(const std::string& entities) {
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
inline Bytes RoomMap() {
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
inline constexpr int kRoomEntities = 11;

// The colours the view draws with.
constexpr QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255), kGreen = qRgb(0, 255, 0),
               kRed = qRgb(255, 0, 0), kYellow = qRgb(255, 255, 0), kMagenta = qRgb(255, 0, 255),
               kBlue = qRgb(0, 0, 255), kDarkRed = qRgb(155, 0, 0), kDarkerRed = qRgb(100, 0, 0);

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
  // Where a map point appears while the camera looks straight down (yaw and pitch 0), and the
  // square of 25 pixels around it.
  QPoint Project(float x, float y, float z) const {
    const auto& camera = form.camera_pos;
    const double fov = form.ScaleBar->value() * 0.1 * std::numbers::pi / 180;
    const double half = (form.view_offset - (z - camera[2])) * std::tan(fov / 2);
    const double aspect = double(form.GLPanel->width()) / form.GLPanel->height();
    const double nx = (x - camera[0]) / (half * aspect), ny = (y - camera[1]) / half;
    return {viewport.left() + int(std::lround((nx + 1) / 2 * viewport.width())),
            viewport.top() + int(std::lround((1 - ny) / 2 * viewport.height()))};
  }
  QRect Around(float x, float y, float z) const {  // where a cube of the usual size lies
    return {Project(x, y, z) - QPoint(12, 12), QSize(25, 25)};
  }

  TForm1& form;
  QImage image = form.view->grabFramebuffer().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QRect viewport = form.GLPanel->geometry().adjusted(2, 2, -2, -2);
};

class AppTest : public ::testing::Test {
 protected:
  using F = TForm1;
  void SetUp() override {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::copy_file(DataFile("Config.cfg"), dir_ / "Config.cfg");
    ui::message_box = [this](const std::string& text, const std::string& caption,
                             const Lines& buttons) {
      messages_.push_back(caption + ": " + text);
      const auto reply = std::find(buttons.begin(), buttons.end(), reply_);
      return reply == buttons.end() ? 0 : static_cast<int>(reply - buttons.begin());
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
    std::filesystem::remove_all(dir_);
  }

  // Builds the main, help and picker windows as start-up does, as in a new process, and shows the
  // main window; the windows of an earlier start are closed first.
  TForm1& Start(const std::string& command_line = "") {
    Close();
    help_window_bounds = picker_window_bounds = {};
    form_ = std::make_unique<TForm1>(dir_.string(), command_line);
    help_ = std::make_unique<TForm3>();
    picker_ = std::make_unique<TForm4>(*form_);
    form_->help = help_.get();
    form_->picker = picker_.get();
    form_->show();
    EXPECT_TRUE(form_->view->HasContext());
    return *form_;
  }
  // Starts without a command line and loads `map` with the load button.
  TForm1& StartWith(const Bytes& map) {
    Start();
    Load(Write("test.bsp", map));
    return *form_;
  }
  // The user closes the program: the main window hides, then the windows go.
  void Close() {
    if (form_) form_->hide();
    picker_.reset();
    help_.reset();
    form_.reset();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    WriteFileBytes(Path(name), bytes);
    return Path(name);
  }
  // The next file dialog is answered with `path`; nothing is the user cancelling.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  void Load(const std::string& path) {  // the load button, the user choosing `path`
    Answer(path);
    form_->LoadButtonClick();
  }
  // The message boxes shown since the last call, as "caption: text".
  Lines TakeMessages() { return std::exchange(messages_, {}); }

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

  // The user clicks list item `row` with the mouse, once or twice.
  static void Click(ui::ListBox* list, int row, bool twice = false,
                    Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = list->visualItemRect(list->item(row)).center();
    std::vector<QEvent::Type> events = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease};
    if (twice)
      events.insert(events.end(), {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
    for (const QEvent::Type type : events) {
      const Qt::MouseButtons held = type != QEvent::MouseButtonRelease ? button : Qt::NoButton;
      QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
      QApplication::sendEvent(list->viewport(), &event);
    }
  }
  // A key pressed in `to`, with the text it types and the modifiers held.
  static void Key(QWidget* to, int key, const std::string& text = "",
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, mods, QString::fromLatin1(text));
    QApplication::sendEvent(to, &event);
  }
  // The user selects the text of an edit and types `text` over it, key by key.
  static void Type(QLineEdit* edit, const std::string& text) {
    edit->selectAll();
    for (const char c : text) Key(edit, Qt::Key_unknown, std::string(1, c));
  }

  const Entity& EntityAt(int index) const { return form_->bsp_file->entities.at(index); }
  bool Holds(int index, const std::string& part) const {
    return EntityAt(index).text.find(part) != std::string::npos;
  }
  Lines Texts() const {  // every entity's text, in the map's order
    Lines texts;
    for (const Entity& e : form_->bsp_file->entities) texts.push_back(e.text);
    return texts;
  }

  const std::filesystem::path dir_ =
      std::filesystem::path(::testing::TempDir()) /
      ("tarnwick_app_" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  Lines messages_;
  std::string reply_ = "Discard";  // the answer to a question
  std::deque<std::optional<std::string>> answers_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TForm3> help_;
  std::unique_ptr<TForm4> picker_;
};

// The items of a list or drop-down list.
template <class List>
Lines Items(const List& list) {
  Lines items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

}  // namespace tarnwick::test
