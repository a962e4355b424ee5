#pragma once
// What the window tests share: a program folder with a configuration, message boxes and file
// dialogs answered in place of the user, the main window and the picker built as start-up builds
// them, the maps to load, and the 3D view's frame read back.
#include <gtest/gtest.h>

#include <QImage>
#include <QRect>
#include <array>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "support/bsp_builder.h"
#include "ui/ui.h"

namespace tarnwick::test {

struct Message {
  std::string text, caption;
  bool operator==(const Message&) const = default;
};
inline void PrintTo(const Message& m, std::ostream* os) {
  *os << '"' << m.text << "\" captioned \"" << m.caption << '"';
}
inline Message ErrorBox(const std::string& text) {
  return {text, "Error"};
}

// A file of the repository's data folder.
std::string DataFile(const std::string& name);

// The map most tests edit. Seen from above, as the camera at its start sees it, it holds:
//   entity 0   worldspawn
//   1, 2, 3    info_player_start at (-300 200 0) yaw 90, (-300 -200 0) yaw 0,
//              (100.4 -20 36.7) yaw -10, all with "angles"
//   4, 5       info_player_deathmatch at (250 50 0) with "angle" 180, (300 -250 0) yaw 270
//   6          func_door, model 1: a box from (-120 -160 -128) to (-40 -60 0)
//   7          func_pendulum (no configured group), model 2: a box from (-440 -40 -40) to
//              (-360 40 40), origin 0 0 0
//   8, 9       light at (-100 250 100) without a yaw, at (100 250 100) with "angle" 45
//   10         info_target at (0 -300 0)
// Model 0 is a room from (-512 -384 -128) to (512 384 256). No two spawn points, nor the camera
// at the origin, are within 90 units of each other; within 200, spawn points 3 and 4 are.
BspBuilder RoomMapBuilder();
std::vector<uint8_t> RoomMap();
inline constexpr int kRoomEntities = 11;

// The pixels of the colours the view draws with.
constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kYellow = qRgb(255, 255, 0);
constexpr QRgb kMagenta = qRgb(255, 0, 255);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kDarkRed = qRgb(155, 0, 0);
constexpr QRgb kDarkerRed = qRgb(100, 0, 0);

// One frame of the 3D view as the view's framebuffer holds it, limited to the viewport (the area
// of GLPanel shrunk by 2 pixels on each side).
class Frame {
 public:
  explicit Frame(TForm1& form);

  int Count(QRgb rgb) const { return Count(rgb, viewport_); }
  int Count(QRgb rgb, QRect area) const;
  int Count(const std::function<bool(QRgb)>& match, QRect area) const;
  bool Has(QRgb rgb) const { return Count(rgb) > 0; }
  bool IsBlack() const { return Count(kBlack) == viewport_.width() * viewport_.height(); }
  // The smallest rectangle around every pixel of the colour; empty when there is none.
  QRect Bounds(QRgb rgb) const;
  // Where a map point appears while the camera looks straight down (yaw and pitch 0).
  QPoint Project(float x, float y, float z) const;
  // The rectangle of a horizontal map rectangle at height z, seen that way.
  QRect Project(float x0, float y0, float x1, float y1, float z) const;

  QRect viewport() const { return viewport_; }
  const QImage& image() const { return image_; }

 private:
  QImage image_;
  QRect viewport_;
  std::array<float, 3> camera_;
  float offset_, fov_, aspect_;
};

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the main window and then the picker, as start-up does, and shows the main window,
  // which runs its first-show handler.
  TForm1& Start(const std::string& command_line = "");
  // Starts without a command line and loads `map`, written to `name`, with the load button.
  TForm1& StartWith(const std::vector<uint8_t>& map, const std::string& name = "test.bsp");

  // A path inside the test's program folder.
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

  // The next file dialog is answered with `path`; nothing is the user cancelling.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  // The load button, the user choosing `path`.
  void Load(const std::string& path);
  // The messages shown since the last call.
  std::vector<Message> TakeMessages();

  // A click on tab `tab`.
  void ShowTab(int tab);
  // A user's choice in a list: the selection, then the handler the click runs.
  void PickSpawnType(int type);
  void PickSpawnPoint(int index);
  void PickEntityType(int index);
  void PickEntity(int index);  // in the point editor's list
  void PickFound(int index);   // in the entity editor's list
  void Search(const std::string& text, int type);

  // The user clicks list item `row` with the mouse, once or twice.
  static void Click(ui::ListBox* list, int row, bool twice = false,
                    Qt::MouseButton button = Qt::LeftButton);
  // The user selects the text of an edit and types `text` over it, key by key.
  static void Type(ui::Edit* edit, const std::string& text);
  static void Key(QWidget* widget, char key);

  // The entity text as the map holds it.
  const Entity& EntityAt(int index) const { return form_->bsp_file->entities.at(index); }
  std::vector<std::string> ClassNames() const;

  TForm1& form() { return *form_; }
  TForm4& picker() { return *picker_; }

  std::filesystem::path dir_;
  std::vector<Message> messages_;
  std::deque<std::optional<std::string>> answers_;
  std::vector<ui::FileDialog> dialogs_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TForm4> picker_;
};

// The items of a list or drop-down list.
template <class List>
std::vector<std::string> Items(const List& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

}  // namespace tarnwick::test
