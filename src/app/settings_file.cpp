// settings.twk: the windows' places, the view values, the drawing choices and the last paths.
#include <cmath>
#include <limits>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "config/settings.h"
#include "web/help_window.h"

namespace tarnwick {

namespace {

// Truncated toward zero; values beyond the range of the field are held at its ends.
int32_t Truncate(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0f) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// Sets one of a window's left, top, width and height; each takes effect at once.
void SetBound(QWidget* window, int which, int32_t value) {
  switch (which) {
    case 0:
      return window->move(value, window->y());
    case 1:
      return window->move(window->x(), value);
    case 2:
      return window->resize(value, window->height());
    case 3:
      return window->resize(window->width(), value);
  }
}

}  // namespace

void TForm1::ReadSettingsFile() {
  const auto settings = ReadSettings(program_dir + "/settings.twk");
  if (!settings) return;
  // Each number takes effect as it is read, through the controls' own handlers.
  for (int i = 0; i < settings->numbers_read; ++i) {
    const int32_t n = settings->numbers[i];
    if (i < 12) {
      QWidget* windows[] = {this, help, picker};
      SetBound(windows[i / 4], i % 4, n);
    } else if (i < 17) {
      ui::Edit* edits[] = {OffsetEdit, FrontPlanEdit, BackPlanEdit, SpeadEdit, MinDisEdit};
      edits[i - 12]->SetText(std::to_string(n));
    } else if (i == 17) {
      DrawModeComboBox->SetItemIndex(n);
    } else if (i == 18) {
      LightingModeComboBox->SetItemIndex(n);
    } else if (i == 19) {
      ScaleBar->setValue(n);
    } else {
      CullingCheckBox->setChecked(n & 1);
      DrawEntitys->setChecked(n & 2);
    }
  }
  last_map_path = settings->last_map_path;
  last_fgd_path = settings->last_fgd_path;
}

void TForm1::WriteSettingsFile() {
  Settings settings;
  settings.numbers = {x(),
                      y(),
                      width(),
                      height(),
                      help_window_bounds[0],
                      help_window_bounds[1],
                      help_window_bounds[2],
                      help_window_bounds[3],
                      picker_window_bounds[0],
                      picker_window_bounds[1],
                      picker_window_bounds[2],
                      picker_window_bounds[3],
                      Truncate(view_offset),
                      Truncate(front_plane),
                      Truncate(back_plane),
                      Truncate(speed),
                      Truncate(min_distance),
                      DrawModeComboBox->ItemIndex(),
                      LightingModeComboBox->ItemIndex(),
                      ScaleBar->value(),
                      (CullingCheckBox->isChecked() ? 1 : 0) | (DrawEntitys->isChecked() ? 2 : 0)};
  settings.last_map_path = last_map_path;
  settings.last_fgd_path = last_fgd_path;
  WriteSettings(program_dir + "/settings.twk", settings);
}

}  // namespace tarnwick
