#include "app/main_window.h"

#include <QKeyEvent>
#include <QSplitter>
#include <QVBoxLayout>
#include <filesystem>

#include "base/error.h"
#include "web/help_window.h"

namespace tarnwick {

using ui::kBottom;
using ui::kLeft;
using ui::kRight;
using ui::kTop;

namespace {

// The client area the placements are measured in; the window opens at, and never shrinks below,
// its minimum, and the anchors share out the difference. The side panel is wide enough for the
// longest spawn-point type of the bundled Config.cfg in the platform's font, and the window as
// much wider as that leaves the 3D view its width.
constexpr QSize kDesign(761, 405);
constexpr QSize kMinimum(769, 440);
constexpr unsigned kAll = kLeft | kTop | kRight | kBottom;

std::string Format0(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.f", value);
  return text;
}

}  // namespace

TForm1::TForm1(std::string program_dir_, std::string command_line_)
    : ui::Container(nullptr, kDesign),
      program_dir(std::move(program_dir_)),
      command_line(std::move(command_line_)) {
  ShowCaption();
  BuildControls();
  setMinimumSize(kMinimum);
  resize(kMinimum);
  on_resize = [this] { FormResize(); };

  DrawModeComboBox->SetItemIndex(1);
  SearchComboBox->SetItemIndex(0);
  LightingModeComboBox->SetItemIndex(0);
  FGDEntitysComboBox->Add("No FGD Loaded");
  FGDEntitysComboBox->SetItemIndex(0);
  // Each edit's change handler reads its text back into the field.
  OffsetEdit->SetText(Format0(view_offset));
  FrontPlanEdit->SetText(Format0(front_plane));
  BackPlanEdit->SetText(Format0(back_plane));
  SpeadEdit->SetText(Format0(speed));
  MinDisEdit->SetText(Format0(min_distance));
  Memo1->Clear();
  Memo2->Clear();
  FontSizeEdit->SetText(std::to_string(Memo1->FontSize()));

  for (QWidget* w : {LeftPanel2, EntityPanel, RightPanel3, BottomPanel2}) w->hide();
}

TForm1::~TForm1() = default;

void TForm1::BuildControls() {
  view = Place(new GLView(this), QRect(QPoint(0, 0), kDesign), kAll);
  GLPanel = Place(new QWidget(this), QRect(0, 24, 499, 270), kAll);
  GLPanel->hide();
  BuildTopRow();
  BuildSpawnPointPanel();
  BuildPointEditorPanel();
  BuildBottomPanel();
  BuildEntityEditorPanel();
  BuildModelViewerPanels();
  // The top row stands above the tab bar.
  for (QWidget* w : {LoadFDGButton, LoadButton, SaveButton, Help}) w->raise();
}

void TForm1::BuildTopRow() {
  PageControl1 = Place(new QTabBar(this), QRect(0, 0, 761, 25), kLeft | kTop | kRight);
  for (const char* caption : {"Tarnwick", "PointEditor", "EntityEditor", "ModelViewer"}) {
    PageControl1->addTab(caption);
  }
  PageControl1->setExpanding(false);
  PageControl1->setAutoFillBackground(true);
  QObject::connect(PageControl1, &QTabBar::currentChanged, [this](int tab) {
    switch (tab) {
      case 0:
        return TabSheet1Show();
      case 1:
        return TabSheet2Show();
      case 2:
        return TabSheet3Show();
      case 3:
        return ModelViewerShow();
    }
  });
  LoadFDGButton = Place(ui::Button(this, "OpenFGD", [this] { LoadFDGButtonClick(); }),
                        QRect(532, 3, 65, 17), kTop | kRight);
  LoadButton = Place(ui::Button(this, "Load", [this] { LoadButtonClick(); }), QRect(604, 2, 41, 18),
                     kTop | kRight);
  SaveButton = Place(ui::Button(this, "Save", [this] { SaveButtonClick(); }), QRect(652, 2, 41, 18),
                     kTop | kRight);
  Help = Place(ui::Button(this, "Help", [this] { HelpClick(); }), QRect(700, 2, 41, 18),
               kTop | kRight);
}

// Spawn point mode: the type box and its list.
void TForm1::BuildSpawnPointPanel() {
  auto* left = Place(new ui::Container(this, QSize(262, 270)), QRect(498, 24, 262, 270),
                     kTop | kRight | kBottom);
  left->setAutoFillBackground(true);
  LeftPanel = left;
  Add = left->Place(ui::Button(left, "Add", [this] { AddClick(); }), QRect(4, 4, 82, 22));
  Delete = left->Place(ui::Button(left, "Delete", [this] { DeleteClick(); }), QRect(90, 4, 82, 22));
  Fill = left->Place(ui::Button(left, "Fill", [this] { FillClick(); }), QRect(176, 4, 82, 22));
  SpawnPointBox = left->Place(new ui::ComboBox(left), QRect(4, 30, 254, 22));
  SpawnPointBox->on_change = [this] { SpawnPointBoxChange(); };
  Lable = left->Place(ui::Label(left, "SpawnPoints"), QRect(4, 56, 254, 16));
  SpawnPointListBox = left->Place(new ui::ListBox(left), QRect(4, 74, 254, 192), kAll);
  SpawnPointListBox->on_click = [this] { SpawnPointListBoxClick(); };
}

// Point editor mode: the class box and its entities.
void TForm1::BuildPointEditorPanel() {
  auto* left2 = Place(new ui::Container(this, QSize(262, 270)), QRect(498, 24, 262, 270),
                      kTop | kRight | kBottom);
  left2->setAutoFillBackground(true);
  LeftPanel2 = left2;
  AddEntity = left2->Place(ui::Button(left2, "AddEntity", nullptr), QRect(4, 4, 254, 22));
  AddEntity->setEnabled(false);
  DeleteEntity = left2->Place(ui::Button(left2, "DeleteEntity", [this] { DeleteEntityClick(); }),
                              QRect(4, 28, 254, 22));
  Label23 = left2->Place(ui::Label(left2, "EntityType"), QRect(4, 52, 254, 16));
  EntityTypeComboBox = left2->Place(new ui::ComboBox(left2, true), QRect(4, 68, 254, 22));
  EntityTypeComboBox->on_change = [this] { EntityTypeComboBoxChange(); };
  Label24 = left2->Place(ui::Label(left2, "Entity List"), QRect(4, 94, 254, 16));
  EntityListBox = left2->Place(new ui::ListBox(left2), QRect(4, 110, 254, 156), kAll);
  EntityListBox->on_click = [this] { SpawnPointListBoxClick(); };
}

// The bottom panel: camera, drawing choices, the selected entity and the cube size.
void TForm1::BuildBottomPanel() {
  auto* bottom = Place(new ui::Container(this, QSize(758, 111)), QRect(0, 294, 758, 111),
                       kLeft | kRight | kBottom);
  bottom->setAutoFillBackground(true);
  BottomPanel = bottom;
  const auto label = [bottom](const char* caption, int x, int y, int w) {
    return bottom->Place(ui::Label(bottom, caption), QRect(x, y + 3, w, 16));
  };
  const auto edit = [bottom](int x, int y, int w, ui::Handler on_change) {
    auto* e = bottom->Place(new ui::Edit(bottom), QRect(x, y, w, 21));
    e->on_change = std::move(on_change);
    return e;
  };
  const auto offset_change = [this] { OffsetEditChange(); };
  Label12 = label("Camera-->", 2, 2, 62);
  Label15 = label("Offset", 66, 2, 34);
  OffsetEdit = edit(100, 2, 42, offset_change);
  Label16 = label("FrontPlain", 146, 2, 56);
  FrontPlanEdit = edit(202, 2, 36, offset_change);
  Label17 = label("BackPlain", 242, 2, 54);
  BackPlanEdit = edit(296, 2, 46, offset_change);
  Label13 = label("Spead", 346, 2, 36);
  SpeadEdit = edit(382, 2, 34, [this] { SpeadEditChange(); });
  CullingCheckBox =
      bottom->Place(ui::CheckBox(bottom, "Culling", true, [this] { CullingCheckBoxClick(); }),
                    QRect(420, 2, 66, 21));
  DrawEntitys = bottom->Place(ui::CheckBox(bottom, "DrawEntitys", true, [this] { FormPaint(); }),
                              QRect(490, 2, 110, 21));

  Label9 = label("DrawingMode", 2, 26, 76);
  DrawModeComboBox = bottom->Place(new ui::ComboBox(bottom), QRect(78, 26, 66, 21));
  for (const char* mode : {"Dots", "Lines", "Polys"}) DrawModeComboBox->Add(mode);
  DrawModeComboBox->on_change = [this] { FormPaint(); };
  Label10 = label("LightingMode", 150, 26, 80);
  LightingModeComboBox = bottom->Place(new ui::ComboBox(bottom), QRect(230, 26, 88, 21));
  for (const char* mode : {"SunLight", "LampLight"}) LightingModeComboBox->Add(mode);
  LightingModeComboBox->on_change = [this] { LightingModeComboBoxChange(); };
  MoveHear = bottom->Place(ui::Button(bottom, "MoveToSpawnPos", [this] { MoveHearClick(); }),
                           QRect(320, 26, 130, 21));
  SPWallCheck = bottom->Place(ui::Button(bottom, "DoWallCheck", [this] { SPWallCheckClick(); }),
                              QRect(456, 26, 110, 21));

  Label7 = label("CurentPosition -->", 2, 50, 102);
  label("X", 104, 50, 10);
  CPosXEdit = edit(114, 50, 64, [this] { CPosXEditChange(); });
  label("Y", 182, 50, 10);
  CPosYEdit = edit(192, 50, 64, [this] { CPosYEditChange(); });
  label("Z", 260, 50, 10);
  CPosZEdit = edit(270, 50, 64, [this] { CPosZEditChange(); });
  Label14 = label("Angle", 340, 50, 34);
  CPosAngleEdit = edit(374, 50, 56, [this] { CPosAngleEditChange(); });

  Label8 = label("SpawnPoint -->", 2, 74, 102);
  SPosXEdit = edit(114, 74, 64, [this] { SPosXEditChange(); });
  SPosYEdit = edit(192, 74, 64, [this] { SPosYEditChange(); });
  SPosZEdit = edit(270, 74, 64, [this] { SPosZEditChange(); });
  Label11 = label("Angle", 340, 74, 34);
  SPAngleEditY = edit(374, 74, 56, [this] { SPAngleEditYChange(); });
  SetToCurentPos =
      bottom->Place(ui::Button(bottom, "SetToCurrentPos", [this] { SetToCurentPosClick(); }),
                    QRect(436, 74, 104, 21));
  SPointSize = label("Size", 544, 74, 24);
  MinDisEdit = edit(568, 74, 38, [this] { MinDisEditChange(); });
  // Typing into one of them is one step of the history until it loses the focus.
  for (ui::Edit* typed : {SPosXEdit, SPosYEdit, SPosZEdit, SPAngleEditY}) {
    typed->on_exit = [this] { history.EndTyping(); };
  }
  ScaleBar = bottom->Place(ui::ScrollBar(bottom, 1, 1000, 1000, [this] { FormResize(); }),
                           QRect(0, 97, 758, 14), kLeft | kRight | kTop);
}

// The entity text editor covers the view.
void TForm1::BuildEntityEditorPanel() {
  auto* entity = Place(new ui::Container(this, QSize(761, 381)), QRect(0, 24, 761, 381), kAll);
  entity->setAutoFillBackground(true);
  EntityPanel = entity;
  const auto elabel = [entity](const char* caption, int x, int y, int w) {
    return entity->Place(ui::Label(entity, caption), QRect(x, y + 3, w, 16));
  };
  Label18 = elabel("SearchString", 4, 4, 72);
  SearchEdit = entity->Place(new ui::Edit(entity), QRect(78, 4, 120, 21));
  SearchEdit->on_key_down = [this](int key) { SearchEditKeyDown(key); };
  Label19 = elabel("SearchType", 204, 4, 64);
  SearchComboBox = entity->Place(new ui::ComboBox(entity), QRect(270, 4, 90, 21));
  for (const char* type : {"Contains", "StartsWith", "EndsWith", "="}) SearchComboBox->Add(type);
  SearchComboBox->on_change = [this] { SearchComboBoxChange(); };
  Label20 = elabel("EntitysFound", 366, 4, 72);
  EntitysComboBox =
      entity->Place(new ui::ComboBox(entity), QRect(440, 4, 317, 21), kLeft | kTop | kRight);
  EntitysComboBox->on_change = [this] { EntitysComboBoxChange(); };
  Label21 = elabel("FontSize", 4, 30, 50);
  FontSizeEdit = entity->Place(new ui::Edit(entity), QRect(56, 30, 40, 21));
  FontSizeEdit->on_key_down = [this](int key) { FontSizeEditKeyDown(key); };
  ScanEntity = entity->Place(ui::Button(entity, "ScanEntity", [this] { ScanEntityClick(); }),
                             QRect(102, 30, 80, 21));
  // The captions and handlers are crossed on purpose: "New" runs Button2Click.
  Button1 =
      entity->Place(ui::Button(entity, "New", [this] { Button2Click(); }), QRect(186, 30, 60, 21));
  ImportEnt = entity->Place(ui::Button(entity, "ImportEnt", [this] { ImportEntClick(); }),
                            QRect(250, 30, 70, 21));
  Button2 = entity->Place(ui::Button(entity, "Delete", [this] { Button1Click(); }),
                          QRect(324, 30, 60, 21));
  auto* splitter = entity->Place(new QSplitter(entity), QRect(0, 56, 761, 325), kAll);
  Splitter1 = splitter;
  Memo1 = new ui::Memo(splitter, false);
  auto* fgd = new QWidget(splitter);
  auto* fgd_layout = new QVBoxLayout(fgd);
  fgd_layout->setContentsMargins(2, 0, 0, 0);
  Label22 = ui::Label(fgd, "FGD Entitys");
  FGDEntitysComboBox = new ui::ComboBox(fgd, true);
  FGDEntitysComboBox->on_change = [this] { FGDEntitysComboBoxChange(); };
  Memo2 = new ui::Memo(fgd, true);
  fgd_layout->addWidget(Label22);
  fgd_layout->addWidget(FGDEntitysComboBox);
  fgd_layout->addWidget(Memo2);
}

void TForm1::BuildModelViewerPanels() {
  RightPanel3 = Place(ui::Panel(this), QRect(496, 24, 265, 273), kTop | kRight | kBottom);
  auto* bottom2 = Place(new ui::Container(this, QSize(761, 111)), QRect(0, 294, 761, 111),
                        kLeft | kRight | kBottom);
  bottom2->setAutoFillBackground(true);
  BottomPanel2 = bottom2;
  Label25 = bottom2->Place(ui::Label(bottom2, "Hilight Model"), QRect(8, 7, 80, 16));
  ModelComboBox = bottom2->Place(new ui::ComboBox(bottom2), QRect(90, 4, 80, 21));
  ModelComboBox->on_change = [this] { ModelComboBoxChange(); };
  MoveToModel = bottom2->Place(ui::Button(bottom2, "MoveToModel", [this] { MoveToModelClick(); }),
                               QRect(176, 4, 100, 21));
}

void TForm1::showEvent(QShowEvent* event) {
  ui::Container::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TForm1::hideEvent(QHideEvent* event) {
  ui::Container::hideEvent(event);
  if (shown_ && !event->spontaneous()) FormHide();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  KeyPressed(event);
}

void TForm1::KeyPressed(QKeyEvent* event) {
  if (const ui::HistoryKey key = ui::HistoryKeyOf(*event); key != ui::HistoryKey::kNone) {
    return UndoOrRedo(key == ui::HistoryKey::kRedo);
  }
  const bool keypad = event->modifiers() & Qt::KeypadModifier;
  FormKeyDown(event->key() | (keypad ? int{Qt::KeypadModifier} : 0),
              event->modifiers() & Qt::ShiftModifier);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!AskToSaveChanges()) event->ignore();
}

void TForm1::ShowCaption() {
  const bool unsaved = bsp_file && !history.IsSaved();
  setWindowTitle(QString("Tarnwick V1.3 By Brannock") + (unsaved ? " *" : ""));
}

void TForm1::FormShow() {
  ReadSettingsFile();
  // The spawn-point types.
  try {
    if (config.ReadFile(program_dir + "/Config.cfg")) {
      for (const std::string& name : config.spawn_point_displayname) SpawnPointBox->Add(name);
      SpawnPointBox->SetItemIndex(0);
    } else {
      ShowError("Failed To Open File \"Config.cfg\"");
    }
  } catch (const Error& e) {
    ShowError(e.what());
  }
  // The context was made with the view; without one the view stays undrawn.
  FormResize();
  SpawnPointBoxChange();
  SpawnPointListBoxClick();
  UpdatePositionEdits();
  LightingModeComboBoxChange();

  if (command_line.empty()) return;
  const size_t quote = command_line.find('"');
  if (quote != std::string::npos) {
    const size_t end = command_line.find('"', quote + 1);
    command_line = command_line.substr(
        quote + 1, end == std::string::npos ? std::string::npos : end - quote - 1);
  }
  try {
    if (auto bytes = ReadMapFile(command_line)) {
      // Absolute, so that the dialogs start in the map's folder whatever folder they run in.
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(command_line, error);
      last_map_path = error ? command_line : absolute.lexically_normal().string();
      LoadFile(std::move(*bytes), last_map_path);
    }
  } catch (const Error& e) {
    ShowError(e.what());
  }
  CameraToOrigin();
}

void TForm1::FormHide() {
  gcf_item_table.clear();
  if (gcf.IsOpen()) gcf.Close();
  WriteSettingsFile();
  bsp_file.reset();
  if (MakeCurrent()) {
    for (uint32_t list : display_lists) glDeleteLists(list, 1);
    wall_cells.Release();
    view->doneCurrent();
  }
  display_lists = {};
  fgd_file.reset();
  found_entitys.clear();
  point_entitys.clear();
}

void TForm1::HelpClick() {
  // Hidden and shown again: an open help window comes anew to the front.
  help->hide();
  help->show();
  help->raise();
  help->activateWindow();
}

void TForm1::SetTabMode(int mode) {
  // The mode is set first, so that the handlers below act on the new tab's selection.
  tab_mode = mode;
  for (QWidget* w : {BottomPanel, LeftPanel, LeftPanel2, EntityPanel, RightPanel3, BottomPanel2}) {
    w->hide();
  }
  switch (mode) {
    case 0:
      BottomPanel->show();
      LeftPanel->show();
      Label8->setText("SpawnPoint -->");
      MinDisEdit->setEnabled(true);
      SPWallCheck->setEnabled(true);
      MoveHear->setText("MoveToSpawn");
      SpawnPointBoxChange();
      SPAngleEditY->setEnabled(true);
      break;
    case 1:
      BottomPanel->show();
      LeftPanel2->show();
      Label8->setText("Entity -->");
      MinDisEdit->setEnabled(false);
      SPWallCheck->setEnabled(false);
      MoveHear->setText("MoveToEntity");
      SPAngleEditY->setEnabled(false);
      if (bsp_file) {
        FillEntityTypes();
        EntityTypeComboBoxChange();
        SpawnPointListBoxClick();
      }
      break;
    case 2:
      EntityPanel->show();
      RefreshEntity();
      break;
    case 3:
      RightPanel3->show();
      BottomPanel2->show();
      if (bsp_file) {
        // The models were listed when the map was loaded; the user's choice among them stays.
        if (ModelComboBox->ItemIndex() < 0) ModelComboBox->SetItemIndex(0);
        RenderView();
      }
      break;
  }
}

}  // namespace tarnwick
