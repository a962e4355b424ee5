// The point editor: any entity with a position, listed by class.
#include "app/main_window.h"
#include "base/error.h"
#include "map/editing.h"

namespace tarnwick {

void TForm1::FillEntityTypes() {
  EntityTypeComboBox->Clear();
  std::vector<const std::string*> names;
  for (const Entity& e : bsp_file->entities) {
    if (!e.has_origin) continue;
    if (std::none_of(names.begin(), names.end(),
                     [&](const auto* n) { return *n == e.class_name; })) {
      names.push_back(&e.class_name);
      EntityTypeComboBox->Add(e.class_name);
    }
  }
  EntityTypeComboBox->SetItemIndex(0);
  // With no class left to choose, the entities listed last stand for nothing: the entity list
  // goes too, or the frames would draw its indexes into a map that has changed since.
  if (EntityTypeComboBox->Count() == 0) {
    EntityListBox->Clear();
    point_count = 0;
  }
}

void TForm1::EntityTypeComboBoxChange() {
  const int type = EntityTypeComboBox->ItemIndex();
  if (type < 0) return;
  const std::string name = EntityTypeComboBox->Item(type);
  EntityListBox->Clear();
  point_count = 0;
  if (!bsp_file) return;
  for (int32_t i = 0; i < bsp_file->GetEntityCount(); ++i) {
    const Entity& e = bsp_file->entities[i];
    if (e.class_name != name || !e.has_origin) continue;
    EntityListBox->Add(ListItem(i + 1, e.origin));
    if (point_count == static_cast<int32_t>(point_entitys.size())) {
      point_entitys.resize(point_count + 500, -1);
    }
    point_entitys[point_count++] = i;
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
