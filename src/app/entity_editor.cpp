// The entity text editor: search by class name, edit the text, apply, new and delete, with the
// class's definition from an FGD file beside it.
#include "app/main_window.h"
#include "base/error.h"
#include "base/read_file.h"
#include "fgd/fgd_file.h"
#include "map/editing.h"

namespace tarnwick {

void TForm1::SearchEntitys() {
  if (!bsp_file) return;
  found_entitys = FindEntities(*bsp_file, SearchEdit->Text(), SearchComboBox->ItemIndex());
  EntitysComboBox->Clear();
  for (size_t k = 0; k < found_entitys.size(); ++k) {
    EntitysComboBox->Add(
        FoundItem(static_cast<int>(k) + 1, bsp_file->entities[found_entitys[k]].class_name));
  }
  EntitysComboBox->SetItemIndex(0);
  RefreshEntity();
}

int32_t TForm1::FoundEntityIndex() {
  const int k = EntitysComboBox->ItemIndex();
  return bsp_file && k >= 0 && k < static_cast<int>(found_entitys.size()) ? found_entitys[k] : -1;
}

void TForm1::RefreshEntity() {
  Memo1->Clear();
  Memo2->Clear();
  const int32_t index = FoundEntityIndex();
  // None, or one of a list from before the other editors' deletions.
  if (index < 0 || index >= bsp_file->GetEntityCount()) return;
  try {
    bsp_file->WriteBack(index);
    const Entity& e = bsp_file->entities[index];
    std::string line;
    for (const char c : e.text) {
      if (c == '\0')
        throw Error("TForm1::RefreshEntity (Entity end found befor entity was scanned)");
      if (c == '\n') {
        Memo1->AddLine(line);
        line.clear();
      } else {
        line += c;
      }
    }
    if (!line.empty()) Memo1->AddLine(line);
    if (!fgd_file) {
      Memo2->AddLine("No fgd file loaded");
    } else if (const int32_t found = fgd_file->FindEntity(e.class_name); found >= 0) {
      for (const std::string& l : fgd_file->ShowEntity(found)) Memo2->AddLine(l);
    } else {
      Memo2->AddLine("Could not find entity \"" + e.class_name + "\" in the fgd");
    }
  } catch (const Error& error) {
    ShowError(error.what());
  }
}

void TForm1::ScanEntityClick() {
  std::string text;
  for (const std::string& line : Memo1->Lines()) text += line + "\n";
  const int32_t index = FoundEntityIndex();
  if (index < 0) {
    ShowError("TForm1::ScanEntityClick (entity index < 0)");
    return;
  }
  try {
    // The new text is parsed before the old entity goes, so a typo loses nothing.
    bsp_file->ReplaceEntity(index, text);
  } catch (const Error& e) {
    ShowError(e.what());
    return;
  }
  RecordEdit();
  SearchEntitys();
  RecompileAfterEntityChange();
}

void TForm1::Button2Click() {
  if (!bsp_file) return;
  SearchEdit->SetText("new_entity");
  try {
    bsp_file->AddEntity("{\n\"classname\" \"new_entity\"\n}\n");
  } catch (const Error& e) {
    ShowError(e.what());
  }
  RecordEdit();
  SearchEntitys();
  RecompileAfterEntityChange();
}

void TForm1::Button1Click() {
  const int32_t index = FoundEntityIndex();
  if (index < 0) {
    ShowError("TForm1::Button1Click (entity index < 0)");
    return;
  }
  try {
    bsp_file->DeleteEntity(index);
  } catch (const Error& e) {
    ShowError(e.what());
  }
  RecordEdit();
  SearchEntitys();
  RecompileAfterEntityChange();
}

void TForm1::ImportEntClick() {
  if (!bsp_file) return;
  const auto path = ui::RunFileDialog(
      {false, "Entity Files (*.ent)|*.ent", "Import Entity File", EntFileName(map_path)});
  if (!path) return;
  try {
    const FileBytes file = ReadWholeFile(*path);
    if (file.outcome != FileBytes::kRead) throw Error("Failed to open file \"" + *path + "\"");
    bsp_file->ImportEntities(AsText(file.bytes));
  } catch (const Error& e) {
    ShowError(e.what());
    return;
  }
  RecordEdit();
  ShowReplacedEntities();
}

void TForm1::RecompileAfterEntityChange() {
  try {
    RecompileEntityLists(true);
  } catch (const Error& e) {
    ShowError(e.what());
  }
}

void TForm1::SearchEditKeyDown(int key) {
  if (key == 13) SearchEntitys();
}

void TForm1::FontSizeEditKeyDown(int key) {
  int32_t size;
  if (key != 13 || !ui::StrToInt(FontSizeEdit->Text(), size) || size < 1) return;
  Memo1->SetFontSize(size);
  Memo2->SetFontSize(size);
}

void TForm1::LoadFDGButtonClick() {
  const auto path = ui::RunFileDialog(
      {false, "WorldCraft ConfigFiles (*.fgd)|*.fgd", "Open WorldCraft FGD File", last_fgd_path});
  if (!path) return;
  last_fgd_path = *path;
  try {
    fgd_file = std::make_unique<FGDFile>(*path);
    FGDEntitysComboBox->Clear();
    for (const std::string& name : fgd_file->ListEntitys()) FGDEntitysComboBox->Add(name);
    FGDEntitysComboBox->SetItemIndex(0);
    RefreshEntity();
  } catch (const Error& e) {
    fgd_file.reset();
    ShowError(e.what());
  }
}

void TForm1::FGDEntitysComboBoxChange() {
  if (!fgd_file) return;
  Memo2->Clear();
  for (const std::string& line : fgd_file->ShowEntity(FGDEntitysComboBox->ItemIndex())) {
    Memo2->AddLine(line);
  }
}

}  // namespace tarnwick
