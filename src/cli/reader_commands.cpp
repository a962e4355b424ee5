// The FGD and cache commands.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/error.h"
#include "commands.h"
#include "fgd/fgd_file.h"
#include "gcf/gcf.h"

namespace tarnwick::cli {
namespace {

void PrintLine(std::string_view line, std::FILE* out = stdout) {
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
}

// Writes `bytes` to the file at `path` over what it held, then cuts a regular file to their size.
// Truncating first would wait for old contents still on their way to the disk, and hand their
// blocks back only to take new ones.
bool WriteOver(const std::string& path, const Bytes& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = true;
  for (size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    done += written ? static_cast<size_t>(n) : 0;
  }
  struct stat st {};
  written = written && fstat(fd, &st) == 0 &&
            (!S_ISREG(st.st_mode) || ftruncate(fd, static_cast<off_t>(bytes.size())) == 0);
  return close(fd) == 0 && written;
}

// The reader opened as the picker opens it, with the picker's message when that fails.
void OpenCache(GCF& gcf, const std::string& path) {
  if (!gcf.Open(path)) throw Error("Failed to open file\nIf steam is open close\nit and try again");
}

}  // namespace

int FgdList(const Args& args) {
  Expect(args, 1, {});
  for (const std::string& line : FGDFile(args.words[0]).ListEntitys()) PrintLine(line);
  return 0;
}

int FgdShow(const Args& args) {
  Expect(args, 2, {});
  const FGDFile file(args.words[0]);
  const int32_t index = file.FindEntity(args.words[1]);
  if (index < 0) throw Error("Could not find entity \"" + args.words[1] + "\" in the fgd");
  for (const std::string& line : file.ShowEntity(index)) PrintLine(line);
  return 0;
}

int GcfList(const Args& args) {
  Expect(args, 1, {});
  GCF gcf;
  OpenCache(gcf, args.words[0]);
  const std::vector<GcfMapEntry> maps = gcf.ListMaps();
  for (size_t k = 0; k < maps.size(); ++k) {
    std::printf("%zu %d ", k, maps[k].block_entry);
    PrintLine(maps[k].name);
  }
  return 0;
}

int GcfExtract(const Args& args) {
  Expect(args, 3, {});
  const auto index = Number<size_t>(args.words[1]);

  GCF gcf;
  OpenCache(gcf, args.words[0]);
  const std::vector<GcfMapEntry> maps = gcf.ListMaps();
  if (index >= maps.size()) {
    throw Error("No map " + args.words[1] + " in the list (" + std::to_string(maps.size()) +
                " maps)");
  }
  const ExtractedItem item = gcf.ExtractItem(maps[index].block_entry);
  if (item.chain_goes_on) PrintLine("Warnning File May Be Incompleat", stderr);

  const std::string& out_path = args.words[2];
  if (!WriteOver(out_path, item.bytes)) throw Error("Failed to write file \"" + out_path + "\"");
  return 0;
}

}  // namespace tarnwick::cli
