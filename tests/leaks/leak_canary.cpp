// Leaks on purpose. CTest expects the leak to be reported, so the suite fails when the leak check
// that every test program relies on is ever off.
static int* volatile lost;

int main() {
  for (int k = 0; k < 16; ++k) lost = new int[64];  // each block overwritten is lost
  lost = nullptr;
}
