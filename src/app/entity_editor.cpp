// The entity text editor: search by class name, edit the text, apply, new and delete, with the
// class's definition from an FGD file beside it.
#include "app/main_window.h"
#include "base/error.h"
#include "fgd/fgd_file.h"

namespace tarnwick {

namespace {

bool Matches(const std::string& name, const std::string& search, int type) {
  switch (type) {
    case 0:
      return name.find(search) != std::string::npos;
    case 1:
      return name.starts_with(search);
    case 2:
      return name.ends_with(search);
    case 3:
      return name == search;
  }
  return false;
}

}  // namespace

void TForm1::SearchEntitys() {
  if (!bsp_file) return;
  EntitysComboBox->Clear();
  const std::string search = SearchEdit->Text();
  const int type = SearchComboBox->ItemIndex();
  int k = 0;
  for (int32_t i = 0; i < bsp_file->GetEntityCount(); ++i) {
    const std::string& name = bsp_file->entities[i].class_name;
    if (!Matches(name, search, type)) continue;
    if (k == static_cast<int>(found_entitys.size())) found_entitys.resize(k + 500, -1);
    found_entitys[k] = i;
    char item[64];
    std::snprintf(item, sizeof item, "%03d   (", k + 1);
    EntitysComboBox->Add(item + name + ")");
    ++k;
  }
  EntitysComboBox->SetItemIndex(0);
  RefreshEntity();
}

void TForm1::RefreshEntity() {
  Memo1->Clear();
  Memo2->Clear();
  const int k = EntitysComboBox->ItemIndex();
  if (!bsp_file || k < 0) return;
  try {
    const int32_t index = found_entitys[k];
    if (index < 0) throw Error("TForm1::RefreshEntity (Entity Index < 0)");
    if (index >= bsp_file->GetEntityCount())
      return;  // a list from before the other editors' deletions
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
  const int k = EntitysComboBox->ItemIndex();
  if (!bsp_file || k < 0) {
    ShowError("TForm1::ScanEntityClick (entity index < 0)");
    return;
  }
  try {
    // The new text is parsed before the old entity goes, so a typo loses nothing.
    bsp_file->ReplaceEntity(found_entitys[k], text);
  } catch (const Error& e) {
    ShowError(e.what());
    return;
  }
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
  SearchEntitys();
  RecompileAfterEntityChange();
}

void TForm1::Button1Click() {
  const int k = EntitysComboBox->ItemIndex();
  if (!bsp_file || k < 0) {
    ShowError("TForm1::Button1Click (entity index < 0)");
    return;
  }
  try {
    bsp_file->DeleteEntity(found_entitys[k]);
  } catch (const Error& e) {
    ShowError(e.what());
  }
  SearchEntitys();
  RecompileAfterEntityChange();
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
