// Saving: the map is written to a temporary file beside the target and renamed over it only when
// complete and flushed, so a failed save never leaves a damaged map where the user's file was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>

#include "base/error.h"
#include "map/bsp_file.h"

namespace tarnwick {
namespace {

// The file that saving to `path` replaces: the end of its chain of symbolic links (which need not
// exist yet), so that the links stay links; "" for a chain that never ends.
std::string FinalTarget(std::string path) {
  for (int links = 0; links < 40; ++links) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof target)) return "";
    const std::string to(target, static_cast<size_t>(n));
    // A relative link is relative to the folder that holds it.
    path = to[0] == '/' ? to : path.substr(0, path.rfind('/') + 1) + to;
  }
  return "";
}

class AtomicFile {
 public:
  explicit AtomicFile(const std::string& path)
      : target_(FinalTarget(path)), temp_(target_ + ".XXXXXX") {
    struct stat st {};
    const bool exists = stat(target_.c_str(), &st) == 0;
    if (target_.empty() ||
        (exists && (S_ISDIR(st.st_mode) || access(target_.c_str(), W_OK) != 0))) {
      return;
    }
    fd_ = mkstemp(temp_.data());
    if (fd_ < 0) return;
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
      const mode_t mask = umask(0);
      umask(mask);
      mode = 0666 & ~mask;
    }
    fchmod(fd_, mode);
  }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile() {
    if (fd_ >= 0) close(fd_);
    if (fd_ >= 0 || closed_) unlink(temp_.c_str());
  }

  bool is_open() const { return fd_ >= 0; }

  // Writes `size` bytes at file offset `offset`.
  bool WriteAt(int64_t offset, const uint8_t* data, size_t size) {
    while (size > 0) {
      const ssize_t n = pwrite(fd_, data, size, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<size_t>(n);
      offset += n;
    }
    return true;
  }

  // Gives the file its final size (bytes never written read as zero), flushes it to the disk when
  // `durable`, and puts it in the target's place.
  bool Commit(int64_t size, bool durable) {
    if (ftruncate(fd_, size) != 0 || (durable && fsync(fd_) != 0)) return false;
    const int fd = fd_;
    fd_ = -1;
    closed_ = true;
    if (close(fd) != 0 || rename(temp_.c_str(), target_.c_str()) != 0) return false;
    closed_ = false;
    return true;
  }

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool closed_ = false;  // closed but not yet renamed: the temporary file still has to go
};

// Whether the entity lump can be rewritten where it stands: every other lump that holds bytes of
// the file lies wholly before it or wholly behind it. After a lump that overlaps it, the new entity
// texts would be covered, or a lump would reach past the end of a file that shrank; such a map gets
// its new entity lump at the end instead, where it cannot disturb anything.
bool OtherLumpsClearOfEntities(const BSPHeader& header, int64_t file_size) {
  const int64_t begin0 = header.lumps[LUMP_ENTITIES].offset;
  const int64_t end0 = begin0 + header.lumps[LUMP_ENTITIES].size;
  for (int k = 1; k < LUMP_COUNT; ++k) {
    const LumpHeader& l = header.lumps[k];
    if (l.offset < 1 || l.size < 1 || l.offset >= file_size) continue;
    const int64_t end = std::min<int64_t>(int64_t{l.offset} + l.size, file_size);
    const bool before = end <= begin0;
    const bool behind = l.offset >= end0 && l.offset > begin0;
    if (!before && !behind) return false;
  }
  return true;
}

// Writes an entity lump alone, as the side file of a map. It holds nothing the map does not, so it
// is not worth a second wait for the disk; it still replaces the old one only once it is whole.
bool WriteEntFile(const std::string& path, const std::string& lump) {
  AtomicFile file(path);
  return file.is_open() &&
         file.WriteAt(0, reinterpret_cast<const uint8_t*>(lump.data()), lump.size()) &&
         file.Commit(static_cast<int64_t>(lump.size()), false);
}

}  // namespace

std::string EntFileName(const std::string& map_file_name) {
  const size_t n = map_file_name.size();
  const bool extension = n >= 5 && map_file_name[n - 4] == '.' && map_file_name[n - 5] != '/' &&
                         map_file_name.find('/', n - 3) == std::string::npos &&
                         map_file_name.compare(n - 3, 3, "ent") != 0;  // never the map itself
  return extension ? map_file_name.substr(0, n - 3) + "ent" : map_file_name + ".ent";
}

std::string BSPFile::EntityLump() {
  for (int32_t i = 0; i < GetEntityCount(); ++i) WriteBack(i);
  std::string lump;
  for (const Entity& e : entities) lump += e.text;
  lump += '\0';
  return lump;
}

void BSPFile::SaveFile(const std::string& file_name) {
  AtomicFile map_file(file_name);
  if (!map_file.is_open()) throw Error("BSPFile::SaveFile (invalid file)");

  const std::string lump = EntityLump();

  const int64_t file_size = static_cast<int64_t>(raw_file.size());
  const int64_t new_size0 = static_cast<int64_t>(lump.size());
  // A map without a usable entity lump gets its new one appended at the end instead of being
  // written over the header; nothing else moves then.
  const LumpHeader& old0 = header.lumps[LUMP_ENTITIES];
  const bool in_place = old0.offset >= kHeaderSize && old0.size >= 0 &&
                        int64_t{old0.offset} + old0.size <= file_size &&
                        OtherLumpsClearOfEntities(header, file_size);
  const int64_t offset0 = in_place ? old0.offset : file_size;
  const int64_t shift = new_size0 - (in_place ? old0.size : 0);
  const int64_t total = file_size + shift;
  if (total > INT32_MAX) throw Error("BSPFile::SaveFile (write file incompleat)");

  // Every piece goes straight from where it is kept to its place in the file, the entity lump
  // first, then the other lumps in index order and the header last: where damaged lumps overlap,
  // the later one wins, and nothing overwrites the header.
  const auto put = [&map_file](int64_t offset, const uint8_t* data, int64_t size) {
    if (!map_file.WriteAt(offset, data, static_cast<size_t>(size))) {
      throw Error("BSPFile::SaveFile (write file incompleat)");
    }
  };
  const auto* lump_bytes = reinterpret_cast<const uint8_t*>(lump.data());
  put(offset0, lump_bytes, new_size0);
  BSPHeader out;
  out.version = header.version;
  out.lumps[LUMP_ENTITIES] = {static_cast<int32_t>(offset0), static_cast<int32_t>(new_size0)};
  for (int k = 1; k < LUMP_COUNT; ++k) {
    const LumpHeader& old = header.lumps[k];
    const int64_t offset = in_place && old.offset > old0.offset ? old.offset + shift : old.offset;
    out.lumps[k] = {static_cast<int32_t>(offset), old.size};
    if (old.offset < 1 || old.size < 1) continue;
    // Lumps the loader never checked are copied only as far as they lie in both files.
    const int64_t length = std::min({int64_t{old.size}, file_size - old.offset, total - offset});
    if (length > 0 && offset >= 0) put(offset, raw_file.data() + old.offset, length);
  }
  std::array<uint8_t, kHeaderSize> header_bytes{};
  out.WriteFile(header_bytes.data());
  put(0, header_bytes.data(), kHeaderSize);
  if (!map_file.Commit(total, true)) throw Error("BSPFile::SaveFile (write file incompleat)");
  if (!WriteEntFile(EntFileName(file_name), lump)) {
    throw Error("BSPFile::SaveFile (could not write ent file)");
  }
}

void BSPFile::ExportEntities(const std::string& file_name) {
  if (!WriteEntFile(file_name, EntityLump())) {
    throw Error("BSPFile::ExportEntities (could not write ent file)");
  }
}

}  // namespace tarnwick
