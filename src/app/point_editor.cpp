// The point editor: any entity with a position, listed by class.
#include "app/main_window.h"
#include "base/error.h"
#include "map/editing.h"

namespace tarnwick {

void TForm1::FillEntityTypes() {
  EntityTypeComboBox->Clear();
  for (const std::string& name : PointClasses(*bsp_file)) EntityTypeComboBox->Add(name);
  EntityTypeComboBox->SetItemIndex(0);
  // With no class left to choose, the entities listed last stand for nothing: the entity list
  // goes too, or the frames would draw its indexes into a map that has changed since.
  if (EntityTypeComboBox->Count() == 0) {
    EntityListBox->Clear();
    point_entitys.clear();
  }
}

void TForm1::EntityTypeComboBoxChange() {
  const int type = EntityTypeComboBox->ItemIndex();
  if (type < 0) return;
  EntityListBox->Clear();
  point_entitys.clear();
  if (!bsp_file) return;
  point_entitys = PointEntities(*bsp_file, EntityTypeComboBox->Item(type));
  for (const int32_t i : point_entitys) {
    EntityListBox->Add(ListItem(i + 1, bsp_file->entities[i].origin));
  }
  EntityListBox->SetItemIndex(0);
  SpawnPointListBoxClick();
}

void TForm1::DeleteEntityClick() {
  if (!bsp_file) return;
  const int32_t index = SelectedEntityIndex();
  if (index >= 0) {
    const bool unlisted = bsp_file->ModelOf(bsp_file->entities[index]) >= 0 &&
                          !FindGroup(config, bsp_file->entities[index].class_name);
    try {
      bsp_file->DeleteEntity(index);
      RecordEdit();
      // The entity editor's list holds indexes, which have moved down past the deleted one.
      SearchEntitys();
      RecompileEntityLists(unlisted);
    } catch (const Error& e) {
      ShowError(e.what());
    }
    EntityTypeComboBoxChange();
    SpawnPointListBoxClick();
  }
  RenderView();
}

}  // namespace tarnwick
