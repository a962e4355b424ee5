#include "app_test.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace tarnwick::test {

std::string DataFile(const std::string& name) {
  return std::string(TARNWICK_DATA) + "/" + name;
}

static BspBuilder RoomMapBuilder() {
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

Bytes RoomMap() {
  return RoomMapBuilder().Build();
}

Bytes RoomWith(const std::string& entities) {
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(Block({{"classname", "worldspawn"}}) + entities);
  return map.Build();
}

Bytes LightsMap() {
  return RoomWith(Block({{"classname", "light"}, {"origin", "8 16 32"}}) +
                  Block({{"classname", "light"}, {"origin", "-8 16 32"}}));
}

Frame::Frame(TForm1& form)
    : form_(&form),
      image_(form.view->grabFramebuffer().convertToFormat(QImage::Format_ARGB32_Premultiplied)),
      viewport_(form.GLPanel->geometry().adjusted(2, 2, -2, -2)) {
  EXPECT_FALSE(image_.isNull()) << "the view has no framebuffer";
  EXPECT_TRUE(image_.rect().contains(viewport_));
}

// The raw bytes, as OpenGL wrote them; alpha is left out.
int Frame::Count(const std::function<bool(QRgb)>& match, QRect area) const {
  area = area.isNull() ? viewport_ : area & viewport_;
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) count += match(line[x] & 0xFFFFFF) ? 1 : 0;
  }
  return count;
}

QPoint Frame::Project(float x, float y, float z) const {
  // Looking straight down from view_offset above the camera point; map x runs right, y up.
  const auto& camera = form_->camera_pos;
  const double fov = form_->ScaleBar->value() * 0.1 * std::numbers::pi / 180;
  const double half = (form_->view_offset - (z - camera[2])) * std::tan(fov / 2);
  const double aspect = double(form_->GLPanel->width()) / form_->GLPanel->height();
  const double nx = (x - camera[0]) / (half * aspect), ny = (y - camera[1]) / half;
  return {viewport_.left() + static_cast<int>(std::lround((nx + 1) / 2 * viewport_.width())),
          viewport_.top() + static_cast<int>(std::lround((1 - ny) / 2 * viewport_.height()))};
}

bool Frame::Near(QRgb rgb, float x, float y, float z) const {
  return Count(rgb, QRect(Project(x, y, z) - QPoint(12, 12), QSize(25, 25))) > 0;
}

void AppTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = std::filesystem::path(::testing::TempDir()) /
         ("tarnwick_app_" + std::string(info->test_suite_name()) + "_" + info->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  std::filesystem::copy_file(DataFile("Config.cfg"), dir_ / "Config.cfg");
  ui::message_box = [this](const std::string& text, const std::string& caption,
                           const Lines& buttons) {
    messages_.push_back(caption + ": " + text);
    const auto reply = std::find(buttons.begin(), buttons.end(), reply_);
    return reply == buttons.end() ? 0 : static_cast<int>(reply - buttons.begin());
  };
  ui::file_dialog = [this](const ui::FileDialog& dialog) -> std::optional<std::string> {
    if (answers_.empty()) ADD_FAILURE() << "an unexpected file dialog \"" << dialog.title << '"';
    if (answers_.empty()) return std::nullopt;
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    return answer;
  };
}

void AppTest::TearDown() {
  Close();
  EXPECT_TRUE(answers_.empty()) << "file dialogs the program never showed";
  EXPECT_EQ(messages_, Lines{}) << "messages no test looked at";
  ui::message_box = nullptr;  // a message or dialog outside a test throws
  ui::file_dialog = nullptr;
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void AppTest::Close() {
  if (form_) form_->hide();
  picker_.reset();
  form_.reset();
}

TForm1& AppTest::Start(const std::string& command_line) {
  Close();
  form_ = std::make_unique<TForm1>(dir_.string(), command_line);
  picker_ = std::make_unique<TForm4>(*form_);
  form_->picker = picker_.get();
  form_->show();
  EXPECT_TRUE(form_->view->HasContext()) << "the view has no OpenGL context after the first show";
  return *form_;
}

TForm1& AppTest::StartWith(const Bytes& map, const std::string& name) {
  Start();
  Load(Write(name, map));
  EXPECT_NE(form_->bsp_file, nullptr) << "the map did not load";
  return *form_;
}

std::string AppTest::Write(const std::string& name, const Bytes& bytes) const {
  std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
  WriteFileBytes(Path(name), bytes);
  return Path(name);
}

void AppTest::Load(const std::string& path) {
  Answer(path);
  form_->LoadButtonClick();
}

void AppTest::Search(const std::string& text, int type) {
  form_->SearchEdit->SetText(text);
  form_->SearchComboBox->SetItemIndex(type);
  form_->SearchComboBoxChange();
}

void AppTest::SetText(const Lines& lines) {
  form_->Memo1->Clear();
  for (const std::string& line : lines) form_->Memo1->AddLine(line);
}

void AppTest::Click(ui::ListBox* list, int row, bool twice, Qt::MouseButton button) {
  const QPoint at = list->visualItemRect(list->item(row)).center();
  std::vector<QEvent::Type> events = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease};
  if (twice) events.insert(events.end(), {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
  for (const QEvent::Type type : events) {
    const Qt::MouseButtons held = type != QEvent::MouseButtonRelease ? button : Qt::NoButton;
    QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &event);
  }
}

void AppTest::Type(QLineEdit* edit, const std::string& text) {
  edit->selectAll();
  for (const char c : text) Key(edit, Qt::Key_unknown, std::string(1, c));
}

void AppTest::Key(QWidget* to, int key, const std::string& text, Qt::KeyboardModifiers mods) {
  QKeyEvent event(QEvent::KeyPress, key, mods, QString::fromLatin1(text));
  QApplication::sendEvent(to, &event);
}

Lines AppTest::Each(std::string Entity::*field) const {
  Lines values;
  for (const Entity& e : form_->bsp_file->entities) values.push_back(e.*field);
  return values;
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
