#include "app/picker_window.h"

#include "app/main_window.h"
#include "base/error.h"

namespace tarnwick {

std::array<int32_t, 4> picker_window_bounds{};

TForm4::TForm4(TForm1& form1) : ui::Container(nullptr, QSize(256, 300)), form1_(form1) {
  setWindowTitle("SelectAFile (DoubleClick)");
  setMinimumSize(256, 300);
  move(101, 60);
  ListBox1 = Place(new ui::ListBox(this), QRect(0, 0, 256, 300),
                   ui::kLeft | ui::kTop | ui::kRight | ui::kBottom);
  ListBox1->on_mouse_down = [this](bool double_click) { ListBox1MouseDown(double_click); };
  on_resize = [this] { FormResize(); };
  RecordBounds();  // its first place is what the settings file gets until it moves
}

void TForm4::hideEvent(QHideEvent* event) {
  ui::Container::hideEvent(event);
  FormHide();
}

void TForm4::moveEvent(QMoveEvent* event) {
  ui::Container::moveEvent(event);
  RecordBounds();
}

void TForm4::RecordBounds() {
  picker_window_bounds = {x(), y(), width(), height()};
}

void TForm4::ListBox1MouseDown(bool double_click) {
  if (!double_click) return;
  hide();
  const int k = ListBox1->ItemIndex();
  if (k < 0 || k >= static_cast<int>(form1_.gcf_item_table.size()) || !form1_.gcf.IsOpen()) {
    return;
  }
  try {
    ExtractedItem item = form1_.gcf.ExtractItem(form1_.gcf_item_table[k]);
    if (item.chain_goes_on) ui::ShowMessage("Warnning File May Be Incompleat", "Error");
    // The map is known by its name in the cache, as if it stood beside the cache.
    const std::string& cache = form1_.last_map_path;
    form1_.LoadFile(std::move(item.bytes),
                    cache.substr(0, cache.rfind('/') + 1) + ListBox1->Item(k));
  } catch (const Error& e) {
    ui::ShowMessage(e.what(), "Error");
  }
}

void TForm1::ListCacheMaps(const std::string& path) {
  if (gcf.IsOpen()) gcf.Close();
  gcf.Open(path);
  if (!gcf.IsOpen()) {
    ShowError("Failed to open file\nIf steam is open close\nit and try again");
    return;
  }
  picker->ListBox1->Clear();
  gcf_item_table.clear();
  for (const GcfMapEntry& map : gcf.ListMaps()) {
    gcf_item_table.push_back(map.block_entry);
    picker->ListBox1->Add(std::string(map.name));
  }
  picker->show();
}

}  // namespace tarnwick
