// Saves that fail part-way or cannot start: the user's files stay byte for byte as they were, no
// temporary file is left beside them, the message is the save's own, and the map stays loaded and
// saves again once the obstacle is gone.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

const std::string kInvalidFile = "BSPFile::SaveFile (invalid file)";
const std::string kIncomplete = "BSPFile::SaveFile (write file incompleat)";

std::vector<std::string> Texts(const BSPFile& map) {
  std::vector<std::string> texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  return texts;
}

// A limit on the size of the files this process writes, for the life of the object. SIGXFSZ is
// ignored meanwhile, so that a write past the limit fails instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : handler_(signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    set_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool set() const { return set_; }

 private:
  void (*handler_)(int);
  rlimit saved_{};
  bool set_ = false;
};

// Runs `action` in a child process that is subject to file permissions: as root, the child first
// becomes the unprivileged user 65534, since root writes into any folder. Returns what `action`
// returned, or why the child could not run it.
std::string Unprivileged(const std::function<std::string()>& action) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child < 0) return "no child";
  if (child == 0) {
    close(pipe_fds[0]);
    std::string result;
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      result = "could not give up root";
    } else {
      try {
        result = action();
      } catch (const std::exception& e) {
        result = std::string("raised: ") + e.what();
      }
    }
    for (size_t done = 0; done < result.size();) {
      const ssize_t n = write(pipe_fds[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    _exit(0);  // nothing of the parent's may run twice
  }
  close(pipe_fds[1]);
  std::string result;
  char chunk[256];
  for (ssize_t n; (n = read(pipe_fds[0], chunk, sizeof chunk)) > 0;) result.append(chunk, n);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return result;
}

class SaveFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir_template =
        (fs::temp_directory_path() / "tarnwick_save_failure_XXXXXX").string();
    ASSERT_NE(mkdtemp(dir_template.data()), nullptr);
    dir = dir_template;
    map.emplace(FullBuilder(kEntities).Build(), config);
    // The user's files: an earlier save of the map that had one more entity.
    map->AddEntity(Block({{"classname", "info_player_deathmatch"}, {"origin", "8 8 8"}}));
    map->SaveFile(Path("m.bsp"));
    map->DeleteEntity(map->GetEntityCount() - 1);
    old_map = ReadFileBytes(Path("m.bsp"));
    old_side = ReadFileBytes(Path("m.ent"));
    texts = Texts(*map);  // every entity was written back by that save
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, ignored);
    fs::remove_all(dir, ignored);
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }
  std::string SaveError(const std::string& name) {
    return ErrorOf([&] { map->SaveFile(Path(name)); });
  }

  // The user's files hold what they held, and nothing was left beside them.
  void ExpectOldFilesAlone(const std::set<std::string>& others = {}) {
    EXPECT_EQ(ReadFileBytes(Path("m.bsp")), old_map);
    EXPECT_EQ(ReadFileBytes(Path("m.ent")), old_side);
    std::set<std::string> expected = others;
    expected.insert({"m.bsp", "m.ent"});
    EXPECT_EQ(Files(), expected);
  }

  // The map is loaded as before, and saving it again writes a map that gives its entities back.
  void ExpectSavesAgain() {
    EXPECT_EQ(Texts(*map), texts);
    EXPECT_EQ(SaveError("m.bsp"), "");
    const BSPFile again(ReadFileBytes(Path("m.bsp")), config);
    EXPECT_EQ(Texts(again), texts);
    EXPECT_NE(ReadFileBytes(Path("m.bsp")), old_map);
  }

  const std::string kEntities =
      kWorld + Block({{"classname", "info_player_start"}, {"origin", "1.6 0 0"}}) +
      Block({{"classname", "func_door"}, {"model", "*1"}}) + std::string(1, '\0');

  fs::path dir;
  Config config = TestConfig();
  std::optional<BSPFile> map;
  Bytes old_map, old_side;
  std::vector<std::string> texts;
};

TEST_F(SaveFailureTest, AFileSizeLimitStopsTheWriteAnywhere) {
  size_t lump = 1;
  for (const std::string& text : texts) lump += text.size();
  const size_t size = map->raw_file.size() - GetLump(map->raw_file, LUMP_ENTITIES).size + lump;
  // Nothing written, inside the header, at its end, half-way, one byte short of the whole map.
  for (const rlim_t limit : {rlim_t{0}, rlim_t{1}, rlim_t{100}, rlim_t{kHeaderSize},
                             rlim_t{size / 2}, rlim_t{size - 1}}) {
    std::string error;
    {
      FileSizeLimit small(limit);
      ASSERT_TRUE(small.set());
      error = SaveError("m.bsp");
    }
    EXPECT_EQ(error, kIncomplete) << "limit " << limit;
    ExpectOldFilesAlone();
    EXPECT_EQ(Texts(*map), texts);
  }
  ExpectSavesAgain();
}

TEST_F(SaveFailureTest, AReadOnlyFolderOrFileStopsTheSaveBeforeAnything) {
  // The child works on the files as their owner; as root it gives that up first.
  if (geteuid() == 0) {
    for (const auto& path : {dir, dir / "m.bsp", dir / "m.ent"}) {
      ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0) << path;
    }
  }
  const auto same = [&] {
    return ReadFileBytes(Path("m.bsp")) == old_map && ReadFileBytes(Path("m.ent")) == old_side &&
           Files() == std::set<std::string>{"m.bsp", "m.ent"};
  };
  const std::string outcome = Unprivileged([&] {
    std::string seen;
    chmod(dir.c_str(), 0555);
    for (const char* name : {"m.bsp", "new.bsp"}) {
      seen += SaveError(name) + (same() ? ", left alone\n" : ", files changed\n");
    }
    chmod(dir.c_str(), 0755);
    chmod(Path("m.bsp").c_str(), 0444);
    seen += SaveError("m.bsp") + (same() ? ", left alone\n" : ", files changed\n");
    chmod(Path("m.bsp").c_str(), 0644);
    seen += Texts(*map) == texts ? "map unchanged\n" : "map changed\n";
    seen += SaveError("m.bsp").empty() ? "saved again\n" : "not saved again\n";
    return seen;
  });
  EXPECT_EQ(outcome, kInvalidFile + ", left alone\n" + kInvalidFile + ", left alone\n" +
                         kInvalidFile + ", left alone\nmap unchanged\nsaved again\n");
  const BSPFile saved(ReadFileBytes(Path("m.bsp")), config);
  EXPECT_EQ(Texts(saved), texts);
}

TEST_F(SaveFailureTest, AFolderInTheWayStopsTheSaveBeforeAnything) {
  // A folder of the map's name, with something in it; a path through a file; a name that leaves
  // no room for the temporary name beside it.
  fs::create_directory(dir / "maps.bsp");
  WriteFileBytes(Path("maps.bsp/inside"), {7});
  const std::string long_name(NAME_MAX - 2, 'n');
  WriteFileBytes(Path(long_name), {1, 2, 3});
  for (const std::string& name :
       {std::string("maps.bsp"), std::string("maps.bsp/"), std::string("m.bsp/x.bsp"), long_name}) {
    EXPECT_EQ(SaveError(name), kInvalidFile) << name;
  }
  ExpectOldFilesAlone({"maps.bsp", long_name});
  EXPECT_EQ(ReadFileBytes(Path(long_name)), (Bytes{1, 2, 3}));
  EXPECT_EQ(ReadFileBytes(Path("maps.bsp/inside")), Bytes{7});
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "maps.bsp"), fs::directory_iterator()), 1);
  ExpectSavesAgain();
}

TEST_F(SaveFailureTest, NoFreeFileDescriptorStopsTheSaveBeforeAnything) {
  // Every descriptor below the limit is taken, so the temporary file cannot be opened.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  std::vector<int> taken;
  for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0 && taken.size() < 4096;) {
    taken.push_back(fd);
  }
  rlimit none = saved;
  none.rlim_cur = static_cast<rlim_t>(taken.back());
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
  const std::string error = SaveError("m.bsp");
  setrlimit(RLIMIT_NOFILE, &saved);
  for (const int fd : taken) close(fd);

  EXPECT_EQ(error, kInvalidFile);
  ExpectOldFilesAlone();
  ExpectSavesAgain();
}

}  // namespace
}  // namespace tarnwick::test
