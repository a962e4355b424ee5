// The editor's view on a real map, under a display (run it with xvfb-run): LoadFile with its
// spacing check and display lists, one frame in each draw mode, and the wall check. The map is
// the one bench_map.h picks.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>

#include "app/main_window.h"
#include "app/picker_window.h"
#include "bench_map.h"

namespace {

tarnwick::TForm1* form = nullptr;

void BM_LoadFile(benchmark::State& state) {
  for (auto _ : state) {
    form->LoadFile(BenchMapBytes());
    glFinish();
  }
  state.SetLabel(BenchMap().filename().string());
}

void BM_DrawFrame(benchmark::State& state) {
  form->LoadFile(BenchMapBytes());
  form->DrawModeComboBox->SetItemIndex(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    form->DrawFrame();
    glFinish();
  }
  state.SetLabel(form->DrawModeComboBox->currentText().toStdString());
}

void BM_WallCheck(benchmark::State& state) {
  form->LoadFile(BenchMapBytes());
  for (auto _ : state) {
    form->bsp_file->WallCheck(form->min_distance, form->display_lists[2], form->display_lists[3]);
    glFinish();
  }
  state.SetLabel(BenchMap().filename().string());
}

BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WallCheck)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tarnwick::ui::message_box = [](const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
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
