#include "io/output_set/output_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <new>
#include <string>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "bmp_builder.h"
#include "io/io_error.h"
#include "temp_dir.h"

namespace tilora {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {9, 9, 9, 9, 9, 9};
const Bytes kNew[] = {{1, 2, 3}, {4, 5}, {6}};

// The three outputs a conversion with a map writes, under base.
std::vector<OutputFile> Set(const std::string& base, std::size_t count = 3) {
  const char* extensions[] = {".plt", ".bin", ".map"};
  std::vector<OutputFile> files;
  for (std::size_t i = 0; i < count; ++i) files.push_back({base + extensions[i], kNew[i].data(), kNew[i].size()});
  return files;
}

void WriteOldSet(const std::vector<OutputFile>& files) {
  for (const auto& f : files) WriteFileBytes(f.name, kOld);
}

// Every test runs with unnamed temporaries where the system has them, with
// named ones as on file systems without, and with the old files linked
// aside instead of swapped out as where names cannot be swapped.
struct Way {
  const char* name;
  bool unnamed;
  bool swaps;
};

class OutputSetTest : public ::testing::TestWithParam<Way> {
 protected:
  void SetUp() override {
    way_.unnamedTemporaries = GetParam().unnamed;
    way_.nameSwaps = GetParam().swaps;
  }
  OutputSetOptions Input(const std::string& input) const {
    OutputSetOptions options = way_;
    options.input = input;
    return options;
  }
  OutputSetOptions way_;
  TempDir dir_;
};

INSTANTIATE_TEST_SUITE_P(Temporaries, OutputSetTest,
                         ::testing::Values(Way{"unnamed", true, true}, Way{"named", false, true},
                                           Way{"linked", true, false}),
                         [](const ::testing::TestParamInfo<Way>& p) { return std::string(p.param.name); });

TEST_P(OutputSetTest, WritesEveryFileAndLeavesNoTemporary) {
  WriteFileBytes(dir_ / "a.plt", kOld);
  WriteOutputSet(Set(dir_ / "a"), way_);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFileBytes(Set(dir_ / "a")[i].name), kNew[i]);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bin", "a.map", "a.plt"}));
}

// A name of 250 characters plus the extension still fits: the temporaries'
// names do not grow with it. (Windows limits whole paths to 260 characters.)
#ifndef _WIN32
TEST_P(OutputSetTest, LongBaseNameWorks) {
  const std::string base = std::string(250, 'x');
  WriteOldSet(Set(dir_ / base));
  WriteOutputSet(Set(dir_ / base), way_);
  EXPECT_EQ(ReadFileBytes(dir_ / (base + ".map")), kNew[2]);
  EXPECT_EQ(dir_.List().size(), 3u);
}
#endif

// The converter writes pictures on several threads: sets into one folder
// take turns, and a base written by all of them ends up one thread's set.
TEST_P(OutputSetTest, SetsWrittenFromSeveralThreadsAtOnceStayWhole) {
  constexpr int kThreads = 6;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      const Bytes data(static_cast<std::size_t>(10 + i), static_cast<std::uint8_t>(i));
      for (int round = 0; round < 5; ++round) {
        for (const std::string& base : {std::string("shared"), "own" + std::to_string(i)}) {
          const std::vector<OutputFile> files = {{dir_ / (base + ".plt"), data.data(), 3},
                                                 {dir_ / (base + ".bin"), data.data(), data.size()}};
          try {
            WriteOutputSet(files, way_);
          } catch (...) {
            ++failures;
          }
        }
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  const Bytes plt = ReadFileBytes(dir_ / "shared.plt"), bin = ReadFileBytes(dir_ / "shared.bin");
  ASSERT_EQ(plt.size(), 3u);
  EXPECT_EQ(bin, Bytes(static_cast<std::size_t>(10 + plt[0]), plt[0]));
  EXPECT_EQ(dir_.List().size(), 2u * (kThreads + 1));  // no temporary
}

struct Fault {
  const char* name;
  bool earlierSet;
  std::function<void(const TempDir&)> arrange;  // before the write
  std::function<void(std::size_t)> hook;
  const char* message;  // nullptr: not an IoError; "@1": the message about output 1
};

void ThrowAt(std::size_t at, std::size_t index) {
  if (index == at) throw IoError(kErrDiskFull, "", "injected fault");
}

TEST_P(OutputSetTest, AFailureAnywherePutsTheEarlierSetBack) {
  const Fault faults[] = {
      {"folder_where_the_tile_file_goes", true,
       [](const TempDir& d) {
         fs::remove(d / "a.bin");
         fs::create_directory(d / "a.bin");
         WriteFileBytes(d / "a.bin/inside", kOld);
       },
       nullptr, "@1. File access denied"},
      {"before_the_first", true, nullptr, [](std::size_t i) { ThrowAt(0, i); }, "injected fault"},
      {"before_the_second", true, nullptr, [](std::size_t i) { ThrowAt(1, i); }, "injected fault"},
      {"before_the_last", true, nullptr, [](std::size_t i) { ThrowAt(2, i); }, "injected fault"},
      {"before_the_last_with_no_earlier_set", false, nullptr, [](std::size_t i) { ThrowAt(2, i); }, "injected fault"},
      {"out_of_memory", true, nullptr, [](std::size_t i) { if (i == 1) throw std::bad_alloc(); }, nullptr},
  };
  for (const Fault& f : faults) {
    TempDir dir;
    const auto files = Set(dir / "a");
    if (f.earlierSet) WriteOldSet(files);
    if (f.arrange) f.arrange(dir);
    const auto before = dir.List();
    way_.beforeReplace = f.hook;
    try {
      WriteOutputSet(files, way_);
      ADD_FAILURE() << f.name << ": no failure";
    } catch (const IoError& e) {
      std::string expected = f.message ? f.message : "";
      if (expected[0] == '@') expected = "Cannot create file \"" + files[1].name + "\"" + expected.substr(2);
      EXPECT_EQ(e.what(), expected) << f.name;
    } catch (const std::bad_alloc&) {
      EXPECT_EQ(f.message, nullptr) << f.name;
    }
    EXPECT_EQ(dir.List(), before) << f.name;
    for (const auto& file : files)
      if (fs::is_regular_file(file.name)) {
        EXPECT_EQ(ReadFileBytes(file.name), kOld) << f.name << " " << file.name;
      }
  }
}

// A process that dies in the middle (here: at the hook, without unwinding)
// leaves temporaries under names the next conversion of the same outputs
// takes over, so they do not pile up.
#ifndef _WIN32
TEST_P(OutputSetTest, LeftoversOfADeadProcessAreTakenOver) {
  const auto files = Set(dir_ / "a");
  WriteOldSet(files);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    way_.beforeReplace = [](std::size_t i) { if (i == 1) ::_exit(0); };
    try {
      WriteOutputSet(files, way_);
    } catch (...) {
    }
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(dir_.List().size(), 3u);
  WriteOutputSet(files, way_);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bin", "a.map", "a.plt"}));
  EXPECT_EQ(ReadFileBytes(dir_ / "a.map"), kNew[2]);
}

// An interruption while the set is put in place waits for it, even when
// another thread, one that holds nothing back, takes the signal.
TEST_P(OutputSetTest, AnInterruptionDuringTheCommitWaitsForTheWholeSet) {
  const auto files = Set(dir_ / "a");
  WriteOldSet(files);
  WriteOutputSet(Set(dir_ / "warm", 1), way_);  // the handlers are in place from here on
  fs::remove(dir_ / "warm.plt");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::thread bystander([] { std::this_thread::sleep_for(std::chrono::seconds(2)); });
    way_.beforeReplace = [](std::size_t i) {
      if (i != 1) return;
      ::kill(::getpid(), SIGTERM);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    try {
      WriteOutputSet(files, way_);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);  // not reached: the signal ends the process after the commit
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadFileBytes(files[i].name), kNew[i]);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bin", "a.map", "a.plt"}));
}

mode_t ModeOf(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_P(OutputSetTest, NewFilesGetTheDefaultPermissions) {
  const mode_t old = ::umask(027);
  WriteOutputSet(Set(dir_ / "p", 1), way_);
  ::umask(old);
  EXPECT_EQ(ModeOf(dir_ / "p.plt"), 0640u);
}

TEST_P(OutputSetTest, ReplacedFilesKeepTheirPermissionBitsAndGroup) {
  const auto files = Set(dir_ / "a");
  WriteOldSet(files);
  const mode_t modes[] = {0600, 0664, 0200};
  for (std::size_t i = 0; i < 3; ++i) ::chmod(files[i].name.c_str(), modes[i]);
  // Any group other than our own will do; root may give any.
  const gid_t group = ::getgid() == 0 ? 4321 : ::getgid();
  const bool groupSet = ::chown(files[0].name.c_str(), static_cast<uid_t>(-1), group) == 0;
  WriteOutputSet(files, way_);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ModeOf(files[i].name), modes[i]) << files[i].name;
    EXPECT_EQ(::chmod(files[i].name.c_str(), 0600), 0);
    EXPECT_EQ(ReadFileBytes(files[i].name), kNew[i]);
  }
  struct stat st {};
  ASSERT_EQ(::stat(files[0].name.c_str(), &st), 0);
  if (groupSet) {
    EXPECT_EQ(st.st_gid, group);
  }
}

// Decided from the bits alone, so it holds for root as well.
TEST_P(OutputSetTest, AnOutputNobodyMayWriteIsRefusedBeforeAnythingIsWritten) {
  for (const mode_t mode : {0444u, 0400u, 0555u, 0000u}) {
    TempDir dir;
    const auto files = Set(dir / "a");
    WriteOldSet(files);
    ::chmod(files[2].name.c_str(), mode);
    try {
      WriteOutputSet(files, way_);
      ADD_FAILURE() << mode;
    } catch (const IoError& e) {
      EXPECT_EQ(e.code(), kErrAccessDenied);
      EXPECT_EQ(e.what(), "Cannot create file \"" + files[2].name + "\". File access denied") << mode;
    }
    EXPECT_EQ(ModeOf(files[2].name), mode);
    ::chmod(files[2].name.c_str(), 0600);
    for (const auto& f : files) EXPECT_EQ(ReadFileBytes(f.name), kOld) << mode;
    EXPECT_EQ(dir.List().size(), 3u);
  }
}

TEST_P(OutputSetTest, SymbolicLinksAreWrittenThrough) {
  const struct {
    const char* name;
    std::string link;  // what a.bin points to
    std::string target;  // the file that must get the new contents
  } cases[] = {
      {"relative", "real/a.bin", "real/a.bin"},
      {"absolute", dir_ / "real/b.bin", "real/b.bin"},
      {"dangling", "real/new.bin", "real/new.bin"},
      {"chain", "c.bin", "real/c.bin"},
  };
  fs::create_directory(dir_.path() / "real");
  fs::create_symlink("real/c.bin", dir_.path() / "c.bin");
  for (const auto& c : cases) {
    for (const char* leaf : {"real/a.bin", "real/b.bin", "real/c.bin"}) WriteFileBytes(dir_ / leaf, kOld);
    fs::remove(dir_ / "real/new.bin");
    fs::remove(dir_ / "a.bin");
    fs::create_symlink(c.link, dir_.path() / "a.bin");
    WriteOutputSet(Set(dir_ / "a", 2), way_);
    EXPECT_TRUE(fs::is_symlink(dir_.path() / "a.bin")) << c.name;
    EXPECT_EQ(fs::read_symlink(dir_.path() / "a.bin"), c.link) << c.name;
    EXPECT_EQ(ReadFileBytes(dir_ / c.target), kNew[1]) << c.name;
    EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bin", "a.plt", "c.bin", "real"})) << c.name;
    for (const auto& entry : fs::directory_iterator(dir_.path() / "real"))
      EXPECT_NE(entry.path().filename().string()[0], '.') << c.name;
  }
}
#endif

// Refused before anything is written: the picture itself, however reached,
// and one file named twice.
TEST_P(OutputSetTest, OutputsThatAreTheInputOrEachOtherAreRefused) {
  fs::create_directory(dir_.path() / "sub");
  const std::string kInput = "It is the picture being converted";
  const struct {
    const char* name;
    std::vector<std::string> outputs;
    std::string input;
    std::string reason;  // about the last output
  } cases[] = {
      {"the input", {"a.plt", "pic.bin"}, "pic.bin", kInput},
      {"the input by another path", {"sub/../pic.bin"}, "pic.bin", kInput},
#ifndef _WIN32
      {"a link to the input", {"link.bin"}, "pic.bin", kInput},
      {"a hard link to the input", {"hard.bin"}, "pic.bin", kInput},
#endif
      {"one file twice", {"a.plt", "sub/../a.plt"}, "", "It is also the output \"" + (dir_ / "a.plt") + "\""},
  };
  WriteFileBytes(dir_ / "pic.bin", kOld);
#ifndef _WIN32
  fs::create_symlink("pic.bin", dir_.path() / "link.bin");
  fs::create_hard_link(dir_.path() / "pic.bin", dir_.path() / "hard.bin");
#endif
  const auto before = dir_.List();
  for (const auto& c : cases) {
    std::vector<OutputFile> files;
    for (const auto& leaf : c.outputs) files.push_back({dir_ / leaf, kNew[0].data(), kNew[0].size()});
    try {
      WriteOutputSet(files, Input(c.input.empty() ? "" : dir_ / c.input));
      ADD_FAILURE() << c.name;
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(), "Cannot create file \"" + files.back().name + "\". " + c.reason) << c.name;
    }
    EXPECT_EQ(ReadFileBytes(dir_ / "pic.bin"), kOld) << c.name;
    EXPECT_EQ(dir_.List(), before) << c.name;
  }
}

}  // namespace
}  // namespace tilora

#ifndef _WIN32
namespace tilora {
namespace {

// A device, a pipe or a socket where an output goes, itself or at the end
// of a link, is refused before anything is written and is left as it was:
// renaming a file over /dev/null would take it from the whole system.
TEST_P(OutputSetTest, SpecialFilesAreNeverReplaced) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.bin").c_str(), 0600), 0);
  fs::create_symlink("pipe.bin", dir_.path() / "to-pipe.bin");
  std::vector<std::string> specials = {"pipe.bin", "to-pipe.bin"};
  // Device nodes only root may make; the tests make theirs where they run as root.
  if (::mknod((dir_ / "null.bin").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    fs::create_symlink("null.bin", dir_.path() / "to-null.bin");
    specials.insert(specials.end(), {"null.bin", "to-null.bin"});
  }
  const auto before = dir_.List();
  for (const std::string& leaf : specials) {
    SCOPED_TRACE(leaf);
    std::vector<OutputFile> files = Set(dir_ / "a", 1);
    files.push_back({dir_ / leaf, kNew[1].data(), kNew[1].size()});
    try {
      WriteOutputSet(files, way_);
      ADD_FAILURE() << "not refused";
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(), "Cannot create file \"" + files.back().name + "\". File access denied");
    }
    EXPECT_EQ(dir_.List(), before);
  }
  EXPECT_TRUE(fs::is_fifo(dir_.path() / "pipe.bin"));
  if (fs::exists(dir_.path() / "null.bin")) {
    EXPECT_TRUE(fs::is_character_file(dir_.path() / "null.bin"));
  }
}

// A folder that only lets files be added would keep whatever a failed
// conversion wrote there for good: refused before writing.
TEST_P(OutputSetTest, AnAppendOnlyFolderIsRefusedBeforeWriting) {
  fs::create_directory(dir_.path() / "log");
  if (std::system(("chattr +a '" + (dir_ / "log") + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no append-only folders here (not root, or no file system that has them)";
  std::vector<OutputFile> files = Set(dir_ / "log/a", 2);
  try {
    WriteOutputSet(files, way_);
    ADD_FAILURE() << "not refused";
  } catch (const IoError& e) {
    EXPECT_EQ(e.what(), "Cannot create file \"" + files[0].name +
                            "\". Its folder only lets files be added, so nothing could be replaced there");
  }
  EXPECT_TRUE(fs::is_empty(dir_.path() / "log"));
  std::system(("chattr -a '" + (dir_ / "log") + "'").c_str());
}

// The hidden name an output's old file is kept under while a set is put in
// place: a dot, the FNV-1a hash of its name in hexadecimal, ".tilora-old".
std::string KeptName(const std::string& folder, const std::string& leaf) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : leaf) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return folder + "/." + hex + ".tilora-old";
}

// Where names can be neither swapped nor linked, the old output is moved
// aside just before the new one is renamed in; a kill in between leaves the
// output missing and the old one hidden beside it. The next conversion puts
// the old one back before anything else, so that even when it fails the
// earlier set is whole, and leaves nothing hidden.
TEST_P(OutputSetTest, AnOutputLeftAsideByAKilledRunIsPutBack) {
  OutputSetOptions options = way_;
  options.nameSwaps = false;
  options.hardLinks = false;
  const auto files = Set(dir_ / "a", 2);
  for (const bool fails : {true, false}) {
    SCOPED_TRACE(fails);
    WriteOldSet(files);
    fs::rename(files[0].name, KeptName(dir_.path(), "a.plt"));
    options.beforeReplace = [fails](std::size_t) {
      if (fails) throw IoError(kErrDiskFull, "", "injected fault");
    };
    try {
      WriteOutputSet(files, options);
      EXPECT_FALSE(fails);
    } catch (const IoError&) {
      EXPECT_TRUE(fails);
    }
    EXPECT_EQ(ReadFileBytes(files[0].name), fails ? kOld : kNew[0]);
    EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bin", "a.plt"}));
  }
}

}  // namespace
}  // namespace tilora
#endif
