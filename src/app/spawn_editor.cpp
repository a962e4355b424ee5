// The spawn-point editor and the bottom-panel handlers it shares with the point editor.
#include "app/main_window.h"
#include "base/error.h"
#include "map/editing.h"
#include "map/spawn_planner.h"
#include "map_gl/gl_drawing.h"

namespace tarnwick {

int32_t TForm1::SelectedEntityIndex() {
  if (!bsp_file) return -1;
  if (tab_mode == 0) {
    const SpawnPoint* sp =
        bsp_file->GetSpawnPoint(SpawnPointBox->ItemIndex(), SpawnPointListBox->ItemIndex());
    return sp ? sp->entity : -1;
  }
  if (tab_mode == 1) {
    const int k = EntityListBox->ItemIndex();
    if (k < 0 || k >= static_cast<int>(point_entitys.size())) return -1;
    const int32_t index = point_entitys[k];
    return index >= 0 && index < bsp_file->GetEntityCount() ? index : -1;
  }
  return -1;
}

Entity* TForm1::SelectedEntity() {
  const int32_t index = SelectedEntityIndex();
  return index < 0 ? nullptr : &bsp_file->entities[index];
}

void TForm1::SpacingCheck() {
  if (!bsp_file || !MakeCurrent()) return;
  GLSelection pass;
  bsp_file->WallCheck(pass, min_distance, 0, 0);
}

void TForm1::SpawnPointBoxChange() {
  if (!bsp_file) return;
  SpawnPointListBox->Clear();
  const int type = SpawnPointBox->ItemIndex();
  for (int j = 0; j < bsp_file->GetSpawnPointCount(type); ++j) {
    SpawnPointListBox->Add(ListItem(j + 1, bsp_file->GetSpawnPoint(type, j)->origin));
  }
  SpawnPointListBox->SetItemIndex(0);
  SpawnPointListBoxClick();
  RenderView();
}

// Writes the four fields from the selected entity, or "error" where there is nothing to show.
void TForm1::ShowSelectedEntity(bool always_show_yaw) {
  const Entity* e = SelectedEntity();
  const auto origin = e ? e->origin : std::array<float, 3>{};
  SPosXEdit->SetText(e ? Format2(origin[0]) : "error");
  SPosYEdit->SetText(e ? Format2(origin[1]) : "error");
  SPosZEdit->SetText(e ? Format2(origin[2]) : "error");
  std::string yaw = "error";
  if (e && (always_show_yaw || SPAngleEditY->isEnabled())) {
    if (e->has_angles) {
      yaw = Format2(e->angles[2]);
    } else if (e->has_angle) {
      yaw = Format2(e->angle);
    }
  }
  SPAngleEditY->SetText(yaw);
}

void TForm1::SpawnPointListBoxClick() {
  if (!bsp_file) return;
  updating_fields = true;
  if (const Entity* e = SelectedEntity()) {
    for (QWidget* edit : {SPosXEdit, SPosYEdit, SPosZEdit}) edit->setEnabled(e->has_origin);
    SPAngleEditY->setEnabled(e->has_angles || e->has_angle);
  }
  ShowSelectedEntity(false);
  updating_fields = false;
  RenderView();
}

void TForm1::AddClick() {
  if (!bsp_file) return;
  AddSpawnPointAt(*bsp_file, SpawnPointBox->ItemIndex(), camera_pos, CameraFacing(camera_yaw));
  RecordEdit();
  SearchEntitys();
  SpawnPointBoxChange();
  SpacingCheck();
  RenderView();
}

void TForm1::DeleteClick() {
  if (!bsp_file) return;
  try {
    bsp_file->DeleteSpawnPoint(SpawnPointBox->ItemIndex(), SpawnPointListBox->ItemIndex());
  } catch (const Error& e) {
    ShowError(e.what());
  }
  RecordEdit();
  SearchEntitys();
  SpawnPointBoxChange();
  SpacingCheck();
  RenderView();
}

// Asks for the count the selected type should reach and the spacing (the cube size unless
// changed), and adds the spawn points the planner finds.
void TForm1::FillClick() {
  const int32_t type = SpawnPointBox->ItemIndex();
  if (!bsp_file || type < 0) return;
  const auto answer =
      ui::Ask({"Fill",
               {{"Spawn points", std::to_string(bsp_file->GetSpawnPointCount(type))},
                {"Spacing", Format2(min_distance)}}});
  if (!answer) return;
  int32_t count;
  float spacing;
  if (!ui::StrToInt((*answer)[0], count) || !ui::StrToFloat((*answer)[1], spacing)) {
    return ShowError("Fill (the spawn points must be a whole number and the spacing a number)");
  }
  try {
    const SpawnPlan plan = PlanSpawnPoints(*bsp_file, type, count, spacing);
    for (const SpawnPoint& sp : plan.spawn_points) bsp_file->AddSpawnPoint(type, sp);
    RecordEdit();  // the whole fill is one step
    if (plan.missing > 0) {
      ui::ShowMessage(std::to_string(plan.missing) + " of " + std::to_string(count) +
                          " spawn points could not be placed",
                      "Fill");
    }
  } catch (const Error& e) {
    ShowError(e.what());
  }
  SearchEntitys();
  SpawnPointBoxChange();
  SpacingCheck();
  RenderView();
}

void TForm1::SPosEditChange(int axis) {
  if (updating_fields || !bsp_file) return;
  static ui::Edit* TForm1::*const kEdits[] = {&TForm1::SPosXEdit, &TForm1::SPosYEdit,
                                              &TForm1::SPosZEdit};
  ui::Edit* edit = this->*kEdits[axis];
  const int32_t index = SelectedEntityIndex();
  float value;
  if (index >= 0 && ui::StrToFloat(edit->Text(), value)) {
    MoveEntityAlong(*bsp_file, index, axis, value);
    RecordEdit(edit);
  }
  if (tab_mode == 0) SpacingCheck();
  if (tab_mode == 1) RecompileMovedEntity(index);
  RenderView();
}

void TForm1::SPAngleEditYChange() {
  if (updating_fields || !bsp_file) return;
  const int32_t index = SelectedEntityIndex();
  float value;
  if (index >= 0 && ui::StrToFloat(SPAngleEditY->Text(), value)) {
    TurnEntity(*bsp_file, index, value);
    RecordEdit(SPAngleEditY);
  }
  if (tab_mode == 0) SpacingCheck();
  RenderView();
}

void TForm1::MoveHearClick() {
  if (!bsp_file) return;
  if (const Entity* e = SelectedEntity()) {
    camera_pos = e->origin;
    if (e->has_angles) camera_yaw = e->angles[2] - 90;
    if (e->has_angle) camera_yaw = e->angle - 90;
    RenderView();
  }
  UpdatePositionEdits();
}

void TForm1::SetToCurentPosClick() {
  if (!bsp_file) return;
  const int32_t index = SelectedEntityIndex();
  if (index >= 0) SetEntityToCamera(*bsp_file, index, camera_pos, camera_yaw);
  RecordEdit();
  if (tab_mode == 0) SpacingCheck();
  updating_fields = true;
  ShowSelectedEntity(true);
  RecompileMovedEntity(index);
  updating_fields = false;
  RenderView();
}

void TForm1::MinDisEditChange() {
  if (ui::StrToFloat(MinDisEdit->Text(), min_distance)) SpacingCheck();
  RenderView();
}

void TForm1::SPWallCheckClick() {
  if (bsp_file && MakeCurrent()) {
    GLSelection pass;
    wall_cells.WallCheck(pass, *bsp_file, min_distance);
  }
  RenderView();
}

// A moved entity that carries a model takes its outlines and faces along; a brush entity of no
// group is drawn with the world's polygons, so that list follows it too.
void TForm1::RecompileMovedEntity(int32_t index) {
  if (index < 0) return;
  const Entity& e = bsp_file->entities[index];
  if (bsp_file->ModelOf(e) >= 0) RecompileEntityLists(!FindGroup(config, e.class_name));
}

}  // namespace tarnwick
