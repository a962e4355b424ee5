// settings.twk: the windows' places, the view values, the drawing choices and the last paths.
#include <QScreen>
#include <algorithm>
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

// Sets one of a window's left, top, width and height; each takes effect at once, within what the
// window system allows. A window is no larger than the desktop (which also keeps the 3D view
// within what OpenGL can draw), and Qt keeps its right and bottom edges as ints, so a place is
// held where they still fit.
void SetBound(QWidget* window, int which, int32_t value) {
  const int place = std::clamp<int32_t>(value, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  const QSize desktop =
      window->screen() ? window->screen()->virtualSize() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  switch (which) {
    case 0:
      return window->move(place, window->y());
    case 1:
      return window->move(window->x(), place);
    case 2:
      return window->resize(std::min(value, desktop.width()), window->height());
    case 3:
      return window->resize(window->width(), std::min(value, desktop.height()));
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
      const int which = i / 4;
      // The help window's or picker's bounds stored with no width or height (or cut off) were
      // never recorded: that window keeps its own place.
      const int32_t* bounds = &settings->numbers[4 * which];
      if (which > 0 && (bounds[2] == 0 || bounds[3] == 0)) continue;
      QWidget* windows[] = {this, help, picker};
      QWidget* window = windows[which];
      if (!window) continue;
      const QRect before = window->geometry();
      SetBound(window, i % 4, n);
      // A hidden window hears of its new place only once shown; the help window and the picker
      // record every change at once, shown or not, or a run that never opens them loses it.
      if (window->geometry() != before) {
        if (which == 1) help->FormResize();
        if (which == 2) picker->FormResize();
      }
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
  // A file cut short among the numbers holds no paths: the current ones stay.
  if (settings->numbers_read < Settings::kNumberCount) return;
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
