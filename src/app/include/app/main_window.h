#pragma once

#include <QOpenGLWidget>
#include <QTabBar>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/config.h"
#include "fgd/fgd_file.h"
#include "gcf/gcf.h"
#include "map/bsp_file.h"
#include "map/edit_history.h"
#include "map_gl/wall_cells.h"
#include "ui/ui.h"

namespace tarnwick {

class TForm1;
class TForm3;
class TForm4;

// A position or angle as the edits show it, "%.2f".
std::string Format2(float value);

// The OpenGL surface under the whole client area of the main window; the frame's viewport lies
// where GLPanel is. It forwards paint, mouse and keys to the window's handlers.
class GLView : public QOpenGLWidget {
 public:
  explicit GLView(TForm1* form);
  bool HasContext() const { return ready_; }

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TForm1* form_;
  bool ready_ = false;
};

// The main window: the loaded map, the configuration, the camera, the 3D view and the editors.
class TForm1 : public ui::Container {
 public:
  TForm1(std::string program_dir, std::string command_line);
  ~TForm1() override;

  // Start-up and shut-down.
  void FormShow();
  void FormHide();
  void HelpClick();
  void SetTabMode(int mode);
  void TabSheet1Show() { SetTabMode(0); }
  void TabSheet2Show() { SetTabMode(1); }
  void TabSheet3Show() { SetTabMode(2); }
  void ModelViewerShow() { SetTabMode(3); }

  // The 3D view. RenderView asks for a frame, which the view draws when it next paints: once,
  // however many handlers of one event asked. DrawFrame draws it into the view's framebuffer.
  void RenderView();
  void DrawFrame();
  int frames_drawn = 0;
  void SetProjection();
  void FormResize();
  void FormPaint() { RenderView(); }
  void LightingModeComboBoxChange();
  void CullingCheckBoxClick();
  void ModelComboBoxChange() { RenderView(); }
  void MoveToModelClick();
  void SetUpOpenGL();  // the fixed state, once the context exists

  // The camera.
  void FormKeyDown(int key, bool shift);  // a Qt key, with Qt::KeypadModifier for the keypad
  void KeyPressed(QKeyEvent* event);
  void FormMouseDown(bool left_pressed);
  void FormMouseMove(int x, int y);
  void FormMouseUp(bool left_pressed);
  void UpdatePositionEdits();
  void CPosXEditChange();
  void CPosYEditChange();
  void CPosZEditChange();
  void CPosAngleEditChange();
  void OffsetEditChange();
  void SpeadEditChange();

  // Loading and saving. LoadFile asks first whether to save the map's unsaved changes, and returns
  // false, loading nothing, when the user keeps the map; `path` is where the new map comes from
  // (for a map in a cache, its name in the cache's folder).
  void LoadButtonClick();
  void SaveButtonClick();
  bool LoadFile(Bytes raw_file_, const std::string& path);
  // The camera back at the origin, and the lists and fields that show the map filled anew.
  void CameraToOrigin();

  // Undo and redo. Each handler that changes the map's entities records the change as one step;
  // typing into the same field `typed_in` again goes into the step it began.
  void RecordEdit(const ui::Edit* typed_in = nullptr);
  void UndoOrRedo(bool redo);
  // Asks "Save changes to MAP?" when the map has changes that are not saved; whether the map may
  // go: there was nothing to lose, or the user saved or discarded the changes.
  bool AskToSaveChanges();

  // The spawn-point editor and the bottom panel.
  void SpawnPointBoxChange();
  void SpawnPointListBoxClick();
  void AddClick();
  void DeleteClick();
  void FillClick();
  void SPosXEditChange() { SPosEditChange(0); }
  void SPosYEditChange() { SPosEditChange(1); }
  void SPosZEditChange() { SPosEditChange(2); }
  void SPAngleEditYChange();
  void MoveHearClick();
  void SetToCurentPosClick();
  void MinDisEditChange();
  void SPWallCheckClick();

  // The entity text editor.
  void SearchEntitys();
  void RefreshEntity();
  void ScanEntityClick();
  void Button2Click();
  void Button1Click();
  void SearchEditKeyDown(int key);
  void SearchComboBoxChange() { SearchEntitys(); }
  void EntitysComboBoxChange() { RefreshEntity(); }
  void FontSizeEditKeyDown(int key);
  void LoadFDGButtonClick();
  void FGDEntitysComboBoxChange();
  void ImportEntClick();

  // The point editor.
  void FillEntityTypes();
  void EntityTypeComboBoxChange();
  void DeleteEntityClick();

  // Fields.
  std::array<float, 3> camera_pos{0, 0, 0};
  float camera_yaw = 0;
  float camera_pitch = 0;
  std::unique_ptr<BSPFile> bsp_file;
  EditHistory history;   // of bsp_file
  std::string map_path;  // where bsp_file came from, or was saved to last
  float min_distance = 90;
  float view_offset = 1000;
  float front_plane = 601;
  float back_plane = 10000;
  float speed = 10;
  Config config;
  std::array<uint32_t, 5> display_lists{};
  WallCells wall_cells;  // the walls of display lists 2 and 3, for the wall check
  bool mouse_look = false;
  std::vector<int32_t> found_entitys;  // EntitysComboBox item -> entity
  std::string last_map_path;
  std::string last_fgd_path;
  std::unique_ptr<FGDFile> fgd_file;
  GCF gcf;
  std::vector<int32_t> gcf_item_table;  // picker row -> block entry
  TForm3* help = nullptr;               // set at start-up
  TForm4* picker = nullptr;             // set at start-up
  int tab_mode = 0;
  std::vector<int32_t> point_entitys;  // EntityListBox item -> entity
  bool updating_fields = false;
  std::string program_dir;
  std::string command_line;

  // Controls, by their names.
  QTabBar* PageControl1;
  QPushButton *LoadFDGButton, *LoadButton, *SaveButton, *Help;
  GLView* view;
  QWidget* GLPanel;
  QWidget *LeftPanel, *LeftPanel2, *BottomPanel, *EntityPanel, *RightPanel3, *BottomPanel2;
  QPushButton *Add, *Delete, *Fill;
  ui::ComboBox* SpawnPointBox;
  QLabel* Lable;
  ui::ListBox* SpawnPointListBox;
  QPushButton *AddEntity, *DeleteEntity;
  QLabel *Label23, *Label24;
  ui::ComboBox* EntityTypeComboBox;
  ui::ListBox* EntityListBox;
  QLabel *Label12, *Label15, *Label16, *Label17, *Label13, *Label9, *Label10, *Label7, *Label14,
      *Label8, *Label11, *SPointSize;
  ui::Edit *OffsetEdit, *FrontPlanEdit, *BackPlanEdit, *SpeadEdit;
  ui::ComboBox *DrawModeComboBox, *LightingModeComboBox;
  QCheckBox *CullingCheckBox, *DrawEntitys;
  ui::Edit *CPosXEdit, *CPosYEdit, *CPosZEdit, *CPosAngleEdit;
  QPushButton *MoveHear, *SPWallCheck, *SetToCurentPos;
  ui::Edit *SPosXEdit, *SPosYEdit, *SPosZEdit, *SPAngleEditY, *MinDisEdit;
  QScrollBar* ScaleBar;
  QLabel *Label18, *Label19, *Label20, *Label21, *Label22;
  ui::Edit *SearchEdit, *FontSizeEdit;
  ui::ComboBox *SearchComboBox, *EntitysComboBox, *FGDEntitysComboBox;
  QPushButton *ScanEntity, *Button1, *Button2, *ImportEnt;
  ui::Memo *Memo1, *Memo2;
  QWidget* Splitter1;
  QLabel* Label25;
  ui::ComboBox* ModelComboBox;
  QPushButton* MoveToModel;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The controls, built by groups.
  void BuildControls();
  void BuildTopRow();
  void BuildSpawnPointPanel();
  void BuildPointEditorPanel();
  void BuildBottomPanel();
  void BuildEntityEditorPanel();
  void BuildModelViewerPanels();
  void SPosEditChange(int axis);
  Entity* SelectedEntity();
  int32_t SelectedEntityIndex();
  int32_t FoundEntityIndex();  // the entity editor's, or -1
  void ShowSelectedEntity(bool always_show_yaw);
  void SpacingCheck();
  // The steps of DrawFrame.
  SpawnPoint CheckedCamera();
  void PlaceCameraAndLights();
  void DrawSpawnPoints(const SpawnPoint& camera);
  void DrawPointMarkers();
  void DrawMapLists();
  void DrawModelHighlight();
  void CompileList(int list);
  void RecompileEntityLists(bool with_polys);
  void RecompileMovedEntity(int32_t index);
  void ListCacheMaps(const std::string& path);
  void RecompileAfterEntityChange();
  // The save command with the dialog at `file_name`; whether the map was saved.
  bool SaveMap(const std::string& file_name);
  // After all the entities were replaced: the checks, the drawings and the editors show them.
  void ShowReplacedEntities();
  // The window's caption, with " *" while the map has unsaved changes.
  void ShowCaption();
  void CenterCursor();
  // Makes the view's context current with the frame's viewport; false while there is none.
  bool MakeCurrent();
  // The projection's vertical field of view in degrees, and its width over its height.
  double FieldOfView() const;
  double Aspect() const;
  QRect viewport_;
  void ReadSettingsFile();
  void WriteSettingsFile();
  void ShowError(const std::string& text) { ui::ShowMessage(text, "Error"); }

  bool shown_ = false;
};

}  // namespace tarnwick
