// The editor's view on a real map, under a display (run it with xvfb-run): LoadFile with its
// spacing check and display lists, one frame in each draw mode, the Polys frame against a bare
// replay of its lists, and the wall check with and without cells. The map is the one bench_map.h
// picks.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "bench_map.h"
#include "map_gl/gl_drawing.h"

namespace {

tarnwick::TForm1* form = nullptr;

void BM_LoadFile(benchmark::State& state) {
  for (auto _ : state) {
    form->LoadFile(BenchMapBytes(), BenchMap().string());
    glFinish();
  }
  state.SetLabel(BenchMap().filename().string());
}

void BM_DrawFrame(benchmark::State& state) {
  form->LoadFile(BenchMapBytes(), BenchMap().string());
  form->DrawModeComboBox->SetItemIndex(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    form->DrawFrame();
    glFinish();
  }
  state.SetLabel(form->DrawModeComboBox->currentText().toStdString());
}

// The editor's frame in Polys mode against a bare replay of the display lists it draws, with the
// state the frame left: what a frame costs beyond the geometry itself.
void BM_PolysFrameAgainstReplay(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  form->LoadFile(BenchMapBytes(), BenchMap().string());
  form->DrawModeComboBox->SetItemIndex(2);
  Clock::duration frame{}, replay{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    form->DrawFrame();
    glFinish();
    const Clock::time_point middle = Clock::now();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glCallList(form->display_lists[2]);
    glDisable(GL_LIGHTING);
    if (form->DrawEntitys->isChecked()) {
      glDepthMask(GL_FALSE);
      glEnable(GL_BLEND);
      glCallList(form->display_lists[3]);
      glCallList(form->display_lists[4]);
      glDisable(GL_BLEND);
      glDepthMask(GL_TRUE);
    }
    glFinish();
    frame += middle - start;
    replay += Clock::now() - middle;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["frame_ms"] = std::chrono::duration<double, std::milli>(frame).count() / n;
  state.counters["replay_ms"] = std::chrono::duration<double, std::milli>(replay).count() / n;
  state.counters["ratio"] =
      static_cast<double>(frame.count()) / static_cast<double>(replay.count());
  state.SetLabel(BenchMap().filename().string());
}

// The wall check of the DoWallCheck button: the whole filled-world and solid lists in every
// spawn point's pass (0), or only the wall cells its cube reaches (1).
void BM_WallCheck(benchmark::State& state) {
  form->LoadFile(BenchMapBytes(), BenchMap().string());
  for (auto _ : state) {
    tarnwick::GLSelection pass;
    if (state.range(0) == 0) {
      form->bsp_file->WallCheck(pass, form->min_distance, form->display_lists[2],
                                form->display_lists[3]);
    } else {
      form->wall_cells.WallCheck(pass, *form->bsp_file, form->min_distance);
    }
    glFinish();
  }
  state.SetLabel(BenchMap().filename().string() + (state.range(0) ? ", cells" : ", whole lists"));
}

BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolysFrameAgainstReplay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WallCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tarnwick::ui::message_box = [](const std::string& text, const std::string& caption,
                                 const std::vector<std::string>&) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return 0;
  };
  tarnwick::TForm1 window(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString(), "");
  tarnwick::TForm4 picker(window);
  window.picker = &picker;
  window.show();
  QApplication::processEvents();
  form = &window;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  window.close();
  return 0;
}
