// Undo and redo of the map's edits, and the question before unsaved changes are lost.
#include <algorithm>

#include "app/main_window.h"
#include "base/error.h"

namespace tarnwick {
namespace {

// Selects `row` again, or the last row when the list has become shorter.
template <class List>
void Reselect(List* list, int row) {
  list->SetItemIndex(std::min(std::max(row, 0), list->Count() - 1));
}

}  // namespace

void TForm1::RecordEdit(const ui::Edit* typed_in) {
  if (!bsp_file) return;
  history.Record(*bsp_file, typed_in);
  ShowCaption();
}

void TForm1::UndoOrRedo(bool redo) {
  if (!bsp_file) return;
  try {
    if (!(redo ? history.Redo(*bsp_file) : history.Undo(*bsp_file))) return;
  } catch (const Error& e) {
    ShowError(e.what());
    return;
  }
  ShowReplacedEntities();
  ShowCaption();
}

void TForm1::ShowReplacedEntities() {
  SpacingCheck();
  RecompileAfterEntityChange();
  const int type = EntityTypeComboBox->ItemIndex();
  const std::string point_class = type >= 0 ? EntityTypeComboBox->Item(type) : "";
  const int point = EntityListBox->ItemIndex(), spawn = SpawnPointListBox->ItemIndex();
  const int found = EntitysComboBox->ItemIndex();
  FillEntityTypes();
  for (int i = 0; i < EntityTypeComboBox->Count(); ++i) {
    if (EntityTypeComboBox->Item(i) == point_class) EntityTypeComboBox->SetItemIndex(i);
  }
  EntityTypeComboBoxChange();
  Reselect(EntityListBox, point);
  SpawnPointBoxChange();
  Reselect(SpawnPointListBox, spawn);
  SearchEntitys();
  Reselect(EntitysComboBox, found);
  RefreshEntity();
  SpawnPointListBoxClick();
}

bool TForm1::AskToSaveChanges() {
  if (!bsp_file || history.IsSaved()) return true;
  const std::string name = map_path.substr(map_path.rfind('/') + 1);
  switch (ui::message_box("Save changes to " + name + "?", "Unsaved Changes",
                          {"Save", "Discard", "Cancel"})) {
    case 0:
      return SaveMap(map_path);
    case 1:
      return true;
  }
  return false;
}

}  // namespace tarnwick
