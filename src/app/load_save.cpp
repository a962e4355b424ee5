// Loading a map (from disk, the command line or a cache) and saving it.
#include <GL/gl.h>

#include <utility>

#include "app/main_window.h"
#include "base/error.h"
#include "map_gl/gl_drawing.h"

namespace tarnwick {

void TForm1::LoadButtonClick() {
  const auto path =
      ui::RunFileDialog({false, "H-L MapFiles (*.bsp)|*.bsp|Steam .gcf File (*.gcf)|*.gcf",
                         "Load Half-Life Map", last_map_path});
  if (!path) return;
  const std::string kept = std::exchange(last_map_path, *path);
  if (path->size() >= 4 && path->compare(path->size() - 4, 4, ".gcf") == 0) {
    ListCacheMaps(*path);
  } else {
    try {
      auto bytes = ReadMapFile(*path);
      // A map kept with its unsaved changes keeps the save dialog at its own file, too.
      if (bytes && !LoadFile(std::move(*bytes), *path)) last_map_path = kept;
    } catch (const Error& e) {
      ShowError(e.what());
    }
  }
  if (tab_mode == 1 && bsp_file) {
    FillEntityTypes();
    EntityTypeComboBoxChange();
    SpawnPointListBoxClick();
  }
}

void TForm1::CompileList(int list) {
  GLDrawing gl;
  tarnwick::CompileList(display_lists[list], [&] {
    switch (list) {
      case 0:
        return bsp_file->DrawDots(gl);
      case 1:
        return bsp_file->DrawLines(gl, true);
      case 2:
        return bsp_file->DrawPolys(gl);
      default:
        return bsp_file->DrawEntFaces(gl, list == 3);
    }
  });
}

void TForm1::RecompileEntityLists(bool with_polys) {
  if (!bsp_file || !MakeCurrent()) return;
  CompileList(1);
  if (with_polys) CompileList(2);
  CompileList(3);
  CompileList(4);
  wall_cells.Compile(*bsp_file);  // the walls of lists 2 and 3
}

bool TForm1::LoadFile(Bytes raw_file_, const std::string& path) {
  if (!AskToSaveChanges()) return false;
  bsp_file.reset();
  history = {};
  map_path = path;
  ShowCaption();
  // The point editor's list holds indexes into the map that goes; it is filled again from the
  // new one when its tab is shown.
  EntityListBox->Clear();
  point_entitys.clear();
  RenderView();  // until the new map stands there is none: a failed load leaves a black view
  if (raw_file_.empty()) throw Error("LoadFile Error (file_size_<=0)");
  bsp_file = std::make_unique<BSPFile>(std::move(raw_file_), config);
  history.Reset(*bsp_file);
  if (MakeCurrent()) {
    GLSelection pass;
    bsp_file->WallCheck(pass, min_distance, 0, 0);
    for (int list = 0; list < 5; ++list) CompileList(list);
    wall_cells.Compile(*bsp_file);
  }
  CameraToOrigin();
  ModelComboBox->Clear();
  for (int32_t m = 0; m < bsp_file->GetModelCount(); ++m) ModelComboBox->Add(std::to_string(m));
  return true;
}

void TForm1::CameraToOrigin() {
  camera_pos = {0, 0, 0};
  camera_yaw = camera_pitch = 0;
  SpawnPointBoxChange();
  SpawnPointListBoxClick();
  UpdatePositionEdits();
  SearchEntitys();
}

void TForm1::SaveButtonClick() {
  SaveMap(last_map_path);
}

bool TForm1::SaveMap(const std::string& file_name) {
  if (!bsp_file) {
    ShowError("No File To Save");
    return false;
  }
  const auto path = ui::RunFileDialog({true, "H-L MapFiles (*.bsp)|*.bsp", "", file_name});
  if (!path) return false;
  try {
    bsp_file->SaveFile(*path);
  } catch (const Error& e) {
    ShowError(e.what());
    return false;
  }
  map_path = *path;
  history.MarkSaved();
  ShowCaption();
  return true;
}

}  // namespace tarnwick
