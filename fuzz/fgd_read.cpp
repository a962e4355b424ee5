// Any bytes as an FGD file, then every way the editor shows it: the list of classes, each
// definition's lines and a lookup of each name.
#include "base/error.h"
#include "fgd/fgd_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tarnwick::fuzz::InputFile file;
  const std::string& path = file.Write(data, size);
  tarnwick::fuzz::HeapWatch watch(size);
  try {
    const tarnwick::FGDFile fgd(path);
    const std::vector<std::string> names = fgd.ListEntitys();
    for (int32_t i = -1; i <= static_cast<int32_t>(fgd.entitys.size()); ++i) {
      const tarnwick::FGDEntity* e = i >= 0 && i < static_cast<int32_t>(fgd.entitys.size())
                                         ? &fgd.entitys[static_cast<size_t>(i)]
                                         : nullptr;
      // A definition's text is the file's bytes from its start to its end.
      if (e &&
          (e->start < 0 || e->end > static_cast<int32_t>(size) || e->length != e->end - e->start ||
           e->text.size() != static_cast<size_t>(e->length))) {
        __builtin_trap();
      }
      // Shown one at a time in the editor; here a few, since one long line of definitions
      // makes every text as long as the line.
      if (i < 16 || i + 1 >= static_cast<int32_t>(fgd.entitys.size())) (void)fgd.ShowEntity(i);
    }
    for (const std::string& name : names) {
      if (fgd.FindEntity(name) < 0 && !fgd.entitys.empty()) __builtin_trap();
    }
  } catch (const tarnwick::Error&) {
  }
  return 0;
}
