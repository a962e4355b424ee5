#pragma once

#include <array>
#include <cstdint>

#include "ui/ui.h"

namespace tarnwick {

class TForm1;

// The picker's last left, top, width and height, recorded when it is built and on every hide,
// move and resize.
extern std::array<int32_t, 4> picker_window_bounds;

// The list of the maps inside a cache; a double click loads one.
class TForm4 : public ui::Container {
 public:
  explicit TForm4(TForm1& form1);

  void ListBox1MouseDown(bool double_click);
  void FormHide() { RecordBounds(); }
  void FormResize() { RecordBounds(); }

  ui::ListBox* ListBox1;

 protected:
  void hideEvent(QHideEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void RecordBounds();

  TForm1& form1_;
};

}  // namespace tarnwick
