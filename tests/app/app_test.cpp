#include "app_test.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QScrollBar>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace tarnwick::test {

std::string DataFile(const std::string& name) {
  return std::string(TARNWICK_DATA) + "/" + name;
}

BspBuilder RoomMapBuilder() {
  BspBuilder map;
  map.AddBox({-512, -384, -128}, {512, 384, 256}, true);
  map.AddModel();
  map.AddBox({-120, -160, -128}, {-40, -60, 0}, false);
  map.AddModel();
  map.AddBox({-440, -40, -40}, {-360, 40, 40}, false);
  map.AddModel();
  const auto start = [](const char* class_name, const char* origin, const char* angles) {
    return Block({{"classname", class_name}, {"origin", origin}, {"angles", angles}});
  };
  map.SetEntities(
      Block({{"classname", "worldspawn"}, {"message", "room"}}) +
      start("info_player_start", "-300 200 0", "0 90 0") +
      start("info_player_start", "-300 -200 0", "0 0 0") +
      start("info_player_start", "100.4 -20 36.7", "0 -10 0") +
      Block({{"classname", "info_player_deathmatch"}, {"origin", "250 50 0"}, {"angle", "180"}}) +
      start("info_player_deathmatch", "300 -250 0", "0 270 0") +
      Block({{"classname", "func_door"}, {"model", "*1"}, {"speed", "100"}}) +
      Block({{"classname", "func_pendulum"}, {"model", "*2"}, {"origin", "0 0 0"}}) +
      Block({{"classname", "light"}, {"origin", "-100 250 100"}, {"_light", "255 255 128 200"}}) +
      Block({{"classname", "light"}, {"origin", "100 250 100"}, {"angle", "45"}}) +
      Block({{"classname", "info_target"}, {"origin", "0 -300 0"}}));
  return map;
}

std::vector<uint8_t> RoomMap() {
  return RoomMapBuilder().Build();
}

Frame::Frame(TForm1& form)
    : image_(form.view->grabFramebuffer().convertToFormat(QImage::Format_ARGB32_Premultiplied)),
      viewport_(form.GLPanel->geometry().adjusted(2, 2, -2, -2)),
      camera_(form.camera_pos),
      offset_(form.view_offset),
      fov_(static_cast<float>(form.ScaleBar->value()) * 0.1f),
      aspect_(static_cast<float>(form.GLPanel->width()) /
              static_cast<float>(form.GLPanel->height())) {
  EXPECT_FALSE(image_.isNull()) << "the view has no framebuffer";
  EXPECT_TRUE(image_.rect().contains(viewport_));
}

// The raw bytes, as OpenGL wrote them; alpha is left out.
int Frame::Count(const std::function<bool(QRgb)>& match, QRect area) const {
  area &= viewport_;
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) count += match(line[x] & 0xFFFFFF) ? 1 : 0;
  }
  return count;
}

int Frame::Count(QRgb rgb, QRect area) const {
  const QRgb want = rgb & 0xFFFFFF;
  return Count([want](QRgb pixel) { return pixel == want; }, area);
}

QRect Frame::Bounds(QRgb rgb) const {
  const QRgb want = rgb & 0xFFFFFF;
  QRect bounds;
  for (int y = viewport_.top(); y <= viewport_.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    for (int x = viewport_.left(); x <= viewport_.right(); ++x) {
      if ((line[x] & 0xFFFFFF) == want) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

QPoint Frame::Project(float x, float y, float z) const {
  // Looking straight down from view_offset above the camera point; map x runs right, y up.
  const double depth = offset_ - (z - camera_[2]);
  const double half = depth * std::tan(fov_ / 2 * std::numbers::pi / 180);
  const double nx = (x - camera_[0]) / (half * aspect_), ny = (y - camera_[1]) / half;
  return {viewport_.left() + static_cast<int>(std::lround((nx + 1) / 2 * viewport_.width())),
          viewport_.top() + static_cast<int>(std::lround((1 - ny) / 2 * viewport_.height()))};
}

QRect Frame::Project(float x0, float y0, float x1, float y1, float z) const {
  return QRect(Project(x0, y1, z), Project(x1, y0, z)).normalized();
}

void AppTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = std::filesystem::path(::testing::TempDir()) /
         ("tarnwick_app_" + std::string(info->test_suite_name()) + "_" + info->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  std::filesystem::copy_file(DataFile("Config.cfg"), dir_ / "Config.cfg");
  ui::message_box = [this](const std::string& text, const std::string& caption) {
    messages_.push_back({text, caption});
  };
  ui::file_dialog = [this](const ui::FileDialog& dialog) -> std::optional<std::string> {
    dialogs_.push_back(dialog);
    if (answers_.empty()) {
      ADD_FAILURE() << "a file dialog \"" << dialog.title << "\" that the test did not expect";
      return std::nullopt;
    }
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    return answer;
  };
}

void AppTest::TearDown() {
  // The user closes the program: the main window hides, then the windows go.
  if (form_) form_->hide();
  picker_.reset();
  form_.reset();
  EXPECT_TRUE(answers_.empty()) << "file dialogs the program never showed";
  EXPECT_EQ(messages_, std::vector<Message>{}) << "messages no test looked at";
  ui::message_box = [](const std::string& text, const std::string& caption) {
    ADD_FAILURE() << "a message outside a test: " << text << " (" << caption << ")";
  };
  ui::file_dialog = [](const ui::FileDialog&) -> std::optional<std::string> {
    ADD_FAILURE() << "a file dialog outside a test";
    return std::nullopt;
  };
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

TForm1& AppTest::Start(const std::string& command_line) {
  form_ = std::make_unique<TForm1>(dir_.string(), command_line);
  picker_ = std::make_unique<TForm4>(*form_);
  form_->picker = picker_.get();
  form_->show();
  EXPECT_TRUE(form_->view->HasContext()) << "the view has no OpenGL context after the first show";
  return *form_;
}

TForm1& AppTest::StartWith(const std::vector<uint8_t>& map, const std::string& name) {
  Start();
  Load(Write(name, map));
  EXPECT_NE(form_->bsp_file, nullptr) << "the map did not load";
  return *form_;
}

std::string AppTest::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const std::string path = Path(name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteFileBytes(path, bytes);
  return path;
}

void AppTest::Load(const std::string& path) {
  Answer(path);
  form_->LoadButtonClick();
}

std::vector<Message> AppTest::TakeMessages() {
  std::vector<Message> taken;
  taken.swap(messages_);
  return taken;
}

void AppTest::ShowTab(int tab) {
  form_->PageControl1->setCurrentIndex(tab);
}

void AppTest::PickSpawnType(int type) {
  form_->SpawnPointBox->SetItemIndex(type);
  form_->SpawnPointBoxChange();
}

void AppTest::PickSpawnPoint(int index) {
  form_->SpawnPointListBox->SetItemIndex(index);
  form_->SpawnPointListBoxClick();
}

void AppTest::PickEntityType(int index) {
  form_->EntityTypeComboBox->SetItemIndex(index);
  form_->EntityTypeComboBoxChange();
}

void AppTest::PickEntity(int index) {
  form_->EntityListBox->SetItemIndex(index);
  form_->SpawnPointListBoxClick();
}

void AppTest::PickFound(int index) {
  form_->EntitysComboBox->SetItemIndex(index);
  form_->EntitysComboBoxChange();
}

void AppTest::Search(const std::string& text, int type) {
  form_->SearchEdit->SetText(text);
  form_->SearchComboBox->SetItemIndex(type);
  form_->SearchComboBoxChange();
}

void AppTest::Click(ui::ListBox* list, int row, bool twice, Qt::MouseButton button) {
  const QPoint at = list->visualItemRect(list->item(row)).center();
  const QPoint global = list->viewport()->mapToGlobal(at);
  std::vector<QEvent::Type> events = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease};
  if (twice) events.insert(events.end(), {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
  for (const QEvent::Type type : events) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent event(type, at, global, button, down ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &event);
  }
}

void AppTest::Type(ui::Edit* edit, const std::string& text) {
  edit->selectAll();
  for (const char c : text) Key(edit, c);
}

void AppTest::Key(QWidget* widget, char key) {
  QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(key)));
  QApplication::sendEvent(widget, &event);
}

std::vector<std::string> AppTest::ClassNames() const {
  std::vector<std::string> names;
  for (const Entity& e : form_->bsp_file->entities) names.push_back(e.class_name);
  return names;
}

}  // namespace tarnwick::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    std::fputs("app_test: the windows need a display; run under xvfb-run -a\n", stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QFont font = QApplication::font();
  font.setPixelSize(11);  // as the program sets it: the controls are placed for a small font
  QApplication::setFont(font);
  return RUN_ALL_TESTS();
}
