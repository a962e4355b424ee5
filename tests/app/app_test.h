#pragma once
// What the window tests share: a program folder with a configuration, message boxes and file
// dialogs answered in place of the user, the main window and the picker built as start-up builds
// them, the maps to load, and the 3D view's frame read back.
#include <gtest/gtest.h>

#include <QImage>
#include <deque>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "support/bsp_builder.h"
#include "ui/ui.h"

namespace tarnwick::test {

using Lines = std::vector<std::string>;

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
Bytes RoomMap();
// The room's models with a plain world and then `entities`; LightsMap's are two lights at
// (8 16 32) and (-8 16 32).
Bytes RoomWith(const std::string& entities);
Bytes LightsMap();
inline constexpr int kRoomEntities = 11;

// The colours the view draws with.
constexpr QRgb kBlack = qRgb(0, 0, 0), kWhite = qRgb(255, 255, 255), kGreen = qRgb(0, 255, 0),
               kRed = qRgb(255, 0, 0), kYellow = qRgb(255, 255, 0), kMagenta = qRgb(255, 0, 255),
               kBlue = qRgb(0, 0, 255), kDarkRed = qRgb(155, 0, 0), kDarkerRed = qRgb(100, 0, 0);

// One frame of the 3D view as its framebuffer holds it, limited to the viewport (GLPanel shrunk
// by 2 pixels on each side).
class Frame {
 public:
  explicit Frame(TForm1& form);
  // The pixels that match within `area`, or within the viewport when that is null.
  int Count(const std::function<bool(QRgb)>& match, QRect area = {}) const;
  int Count(QRgb rgb, QRect area = {}) const {
    return Count([rgb](QRgb pixel) { return pixel == (rgb & 0xFFFFFF); }, area);
  }
  bool Has(QRgb rgb) const { return Count(rgb) > 0; }
  bool IsBlack() const { return Count(kBlack) == viewport_.width() * viewport_.height(); }
  // Where a map point appears while the camera, as it is now, looks straight down (yaw and
  // pitch 0).
  QPoint Project(float x, float y, float z) const;
  // Whether the colour is drawn within 12 pixels of where a map point appears, as a marker or
  // spawn cube of the usual size drawn around it would be.
  bool Near(QRgb rgb, float x, float y, float z) const;
  const QImage& image() const { return image_; }

 private:
  TForm1* form_;  // whose camera and view settings Project reads
  QImage image_;
  QRect viewport_;
};

class AppTest : public ::testing::Test {
 protected:
  using F = TForm1;
  void SetUp() override;
  void TearDown() override;

  // Builds the main window and then the picker, as start-up does, and shows the main window;
  // windows of an earlier start are closed first.
  TForm1& Start(const std::string& command_line = "");
  // Starts without a command line and loads `map`, written to `name`, with the load button.
  TForm1& StartWith(const Bytes& map, const std::string& name = "test.bsp");
  // The user closes the program: the main window hides, then the windows go.
  void Close();

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const Bytes& bytes) const;
  // The next file dialog is answered with `path`; nothing is the user cancelling.
  void Answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
  // The load button, the user choosing `path`.
  void Load(const std::string& path);
  // The message boxes shown since the last call, as "caption: text".
  Lines TakeMessages() { return std::exchange(messages_, {}); }

  // Clicks on a tab, and a user's choices in the lists: the selection, then its handler.
  void ShowTab(int tab) { form_->PageControl1->setCurrentIndex(tab); }
  void PickSpawnType(int i) { Pick(form_->SpawnPointBox, i, &F::SpawnPointBoxChange); }
  void PickSpawnPoint(int i) { Pick(form_->SpawnPointListBox, i, &F::SpawnPointListBoxClick); }
  void PickEntityType(int i) { Pick(form_->EntityTypeComboBox, i, &F::EntityTypeComboBoxChange); }
  void PickEntity(int i) { Pick(form_->EntityListBox, i, &F::SpawnPointListBoxClick); }
  void PickFound(int i) { Pick(form_->EntitysComboBox, i, &F::RefreshEntity); }
  void Search(const std::string& text, int type);
  // Replaces the entity editor's text.
  void SetText(const Lines& lines);

  // The user clicks list item `row` with the mouse, once or twice.
  static void Click(ui::ListBox* list, int row, bool twice = false,
                    Qt::MouseButton button = Qt::LeftButton);
  // The user selects the text of an edit and types `text` over it, key by key.
  static void Type(QLineEdit* edit, const std::string& text);
  // A key pressed in `to`, with the text it types and the modifiers held.
  static void Key(QWidget* to, int key, const std::string& text = "",
                  Qt::KeyboardModifiers mods = Qt::NoModifier);

  const Entity& EntityAt(int index) const { return form_->bsp_file->entities.at(index); }
  // Whether the entity's text holds `part`.
  bool Holds(int index, const std::string& part) const {
    return EntityAt(index).text.find(part) != std::string::npos;
  }
  // A field of every entity, in the map's order.
  Lines Each(std::string Entity::*field) const;

  std::filesystem::path dir_;
  Lines messages_;
  std::string reply_ = "Discard";  // the answer to a question
  std::deque<std::optional<std::string>> answers_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TForm4> picker_;

 private:
  template <class List>
  void Pick(List* list, int i, void (F::*handler)()) {
    list->SetItemIndex(i);
    (form_.get()->*handler)();
  }
};

// The items of a list or drop-down list.
template <class List>
Lines Items(const List& list) {
  Lines items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

}  // namespace tarnwick::test
