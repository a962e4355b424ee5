// Leaks on purpose. Every test program relies on LeakSanitizer to fail it when it leaks; CTest
// expects this program's leak to be reported, so the suite fails if that check is ever off.
#include <cstdio>

namespace {

[[gnu::noinline]] void Lose(int k) {
  int* lost = new int[64];
  lost[0] = k;
  std::printf("%d\n", lost[0]);
}

}  // namespace

int main() {
  for (int k = 0; k < 16; ++k) Lose(k);
  return 0;
}
