// Whole converter processes writing one set of outputs: interrupted at random
// moments, racing each other, or pointed at their own input. The converter
// under test can be another build (TILORA_CONVERT_UNDER_TEST) and the rounds
// raised (TILORA_STRESS_ROUNDS), to compare builds the same way;
// TILORA_STRESS_KILL=1 adds SIGKILL to the interruptions.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bmp_builder.h"
#include "temp_dir.h"

extern char** environ;

namespace {

using tilora::testing::BmpShape;
using tilora::testing::ReadFileBytes;
using tilora::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

std::string Converter() {
  const char* other = std::getenv("TILORA_CONVERT_UNDER_TEST");
  return other != nullptr && *other != '\0' ? other : TILORA_CONVERT;
}

int Rounds(int fallback) {
  const char* text = std::getenv("TILORA_STRESS_ROUNDS");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

// Starts the converter with default signal actions, whatever the test runner
// ignores, and an optional shell prefix such as a ulimit.
pid_t Start(const std::vector<std::string>& args) {
  std::vector<std::string> all{Converter()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ}) sigaddset(&defaults, sig);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  return failed == 0 ? pid : -1;
}

int Wait(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// A picture whose palette and pixels both come from seed, so outputs of two
// seeds differ in both files.
void WritePicture(const std::string& path, std::int32_t w, std::int32_t h, std::uint8_t seed) {
  BmpShape s = tilora::testing::MakeShape(w, h, 8);
  s.pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), seed);
  for (int i = 0; i < 256; ++i)
    s.palette.push_back({static_cast<std::uint8_t>(i * seed), static_cast<std::uint8_t>(i + seed), seed});
  tilora::testing::WriteFileBytes(path, tilora::testing::BuildBmp(s));
}

struct OutputPair {
  Bytes palette, tiles;
};

OutputPair ReadPair(const std::string& base) { return {ReadFileBytes(base + ".plt"), ReadFileBytes(base + ".bin")}; }

// The outputs each picture gives, made by a run nobody interrupts.
std::vector<OutputPair> References(const TempDir& dir, int count) {
  std::vector<OutputPair> refs;
  for (int i = 0; i < count; ++i) {
    const std::string base = dir / ("ref" + std::to_string(i));
    if (Wait(Start({"--name", base, dir / ("p" + std::to_string(i) + ".bmp")})) != 0) return {};
    refs.push_back(ReadPair(base));
    std::filesystem::remove(base + ".plt");
    std::filesystem::remove(base + ".bin");
  }
  return refs;
}

// Which reference the set on disk is, or -1 for a mix (or a missing file).
int WhichSet(const std::vector<OutputPair>& refs, const std::string& base) {
  const OutputPair now = ReadPair(base);
  for (std::size_t i = 0; i < refs.size(); ++i)
    if (now.palette == refs[i].palette && now.tiles == refs[i].tiles) return static_cast<int>(i);
  return -1;
}

std::vector<std::string> Pictures(int count) {
  std::vector<std::string> names{"Pic.bin", "Pic.plt"};
  for (int i = 0; i < count; ++i) names.push_back("p" + std::to_string(i) + ".bmp");
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutputSetProcess, InterruptedRunsLeaveACompleteSetAndNoTemporary) {
  TempDir dir;
  // The largest tile data the converter makes, so a run spends real time writing.
  for (int i = 0; i < 2; ++i) WritePicture(dir / ("p" + std::to_string(i) + ".bmp"), 1024, 1024, static_cast<std::uint8_t>(i + 1));
  const auto refs = References(dir, 2);
  ASSERT_EQ(refs.size(), 2u);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(Start({"--name", dir / "Pic", dir / "p0.bmp"})), 0);
  const auto fullRun = std::chrono::steady_clock::now() - started;

  std::vector<int> signals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  // SIGQUIT's default action also dumps core, which is no leftover of ours.
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  if (const char* kill = std::getenv("TILORA_STRESS_KILL"); kill != nullptr && *kill == '1') signals.push_back(SIGKILL);
  std::mt19937 gen(12345);
  std::uniform_int_distribution<long long> delay(0, std::chrono::duration_cast<std::chrono::microseconds>(fullRun).count() * 6 / 5);
  const int rounds = Rounds(18);
  int mixed = 0, leftovers = 0, badStatus = 0, interrupted = 0;
  for (int round = 0; round < rounds; ++round) {
    const int sig = signals[static_cast<std::size_t>(round) % signals.size()];
    const pid_t pid = Start({"--name", dir / "Pic", dir / ("p" + std::to_string((round + 1) % 2) + ".bmp")});
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(gen)));
    ::kill(pid, sig);
    const int status = Wait(pid);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == sig;
    interrupted += killed ? 1 : 0;
    if (!killed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) ++badStatus;
    if (WhichSet(refs, dir / "Pic") < 0) {
      ++mixed;
      // Each round starts from a complete set, so one mix is counted once.
      tilora::testing::WriteFileBytes(dir / "Pic.plt", refs[0].palette);
      tilora::testing::WriteFileBytes(dir / "Pic.bin", refs[0].tiles);
    }
    if (dir.List() != Pictures(2)) {
      ++leftovers;
      for (const auto& leaf : dir.List())  // a leftover must not spoil the next round's count
        if (leaf[0] == '.') std::filesystem::remove(dir / leaf);
    }
  }
  std::printf("interrupted runs: %d rounds, %d ended by the signal, %d mixed sets, %d with leftovers, %d bad status\n",
              rounds, interrupted, mixed, leftovers, badStatus);
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(leftovers, 0);
  EXPECT_EQ(badStatus, 0);
}

// The same with pictures converted on several threads of one converter:
// each picture's set is one version or the other, whichever thread the
// signal reaches.
TEST(OutputSetProcess, InterruptedThreadedRunsLeaveCompleteSets) {
  constexpr int kPictures = 4;
  TempDir dir;
  std::vector<std::vector<OutputPair>> refs(kPictures);  // per picture: version 0, version 1
  const auto picture = [&](int i) { return dir / ("p" + std::to_string(i) + ".bmp"); };
  const auto write = [&](int i, int version) {
    WritePicture(picture(i), 512, 512, static_cast<std::uint8_t>(1 + 2 * i + version));
  };
  for (int version = 0; version < 2; ++version) {
    for (int i = 0; i < kPictures; ++i) {
      write(i, version);
      const std::string base = dir / ("p" + std::to_string(i));
      ASSERT_EQ(Wait(Start({picture(i)})), 0);
      refs[static_cast<std::size_t>(i)].push_back(ReadPair(base));
    }
  }
  std::vector<std::string> args{"-j", "4"};
  for (int i = 0; i < kPictures; ++i) args.push_back(picture(i));
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(Start(args)), 0);
  const auto fullRun = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  std::mt19937 gen(777);
  std::uniform_int_distribution<long long> delay(0, fullRun.count() * 6 / 5);
  const int rounds = Rounds(10);
  int mixed = 0, leftovers = 0;
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < kPictures; ++i) write(i, round % 2);
    const pid_t pid = Start(args);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(gen)));
    ::kill(pid, round % 2 == 0 ? SIGINT : SIGTERM);
    Wait(pid);
    for (int i = 0; i < kPictures; ++i)
      if (WhichSet(refs[static_cast<std::size_t>(i)], dir / ("p" + std::to_string(i))) < 0) ++mixed;
    for (const auto& leaf : dir.List())
      if (leaf[0] == '.') {
        ++leftovers;
        std::filesystem::remove(dir / leaf);
      }
  }
  std::printf("interrupted threaded runs: %d rounds, %d mixed sets, %d leftovers\n", rounds, mixed, leftovers);
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(leftovers, 0);
}

TEST(OutputSetProcess, RacingWritersNeverMixTheirSets) {
  constexpr int kWriters = 8;
  TempDir dir;
  for (int i = 0; i < kWriters; ++i)
    WritePicture(dir / ("p" + std::to_string(i) + ".bmp"), 1024, 512, static_cast<std::uint8_t>(i + 1));
  const auto refs = References(dir, kWriters);
  ASSERT_EQ(refs.size(), static_cast<std::size_t>(kWriters));
  const int rounds = Rounds(4);
  int mixed = 0, failed = 0;
  for (int round = 0; round < rounds; ++round) {
    std::vector<pid_t> pids;
    for (int i = 0; i < kWriters; ++i) pids.push_back(Start({"--name", dir / "Pic", dir / ("p" + std::to_string(i) + ".bmp")}));
    for (const pid_t pid : pids) failed += pid > 0 && Wait(pid) == 0 ? 0 : 1;
    if (WhichSet(refs, dir / "Pic") < 0) ++mixed;
  }
  std::printf("racing writers: %d rounds of %d, %d mixed sets, %d failed runs\n", rounds, kWriters, mixed, failed);
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(dir.List(), Pictures(kWriters));
}

struct Outcome {
  int status;
  std::string err;
};

// Runs the converter in dir through the shell, so a limit can be set first.
Outcome RunIn(const TempDir& dir, const std::string& prefix, const std::string& args) {
  const std::string err = dir.path().string() + ".err";
  const std::string command = "cd '" + dir.path().string() + "' && " + prefix + " exec '" + Converter() + "' " + args +
                              " 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  const Bytes text = ReadFileBytes(err);
  std::filesystem::remove(err);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(text.begin(), text.end())};
}

TEST(OutputSetProcess, RunsThatWouldOverwriteTheirOwnPicturesWriteNothing) {
  const struct {
    const char* args;
    int status;
    const char* err;
  } cases[] = {
      {"a.bmp a.BMP", 2,
       "tilora-convert: a.bmp and a.BMP would both write a.plt and a.bin\nTry 'tilora-convert --help'.\n"},
      {"sub/../a.bmp a.bmp", 2,
       "tilora-convert: sub/../a.bmp and a.bmp would both write a.plt and a.bin\nTry 'tilora-convert --help'.\n"},
      {"--name pic pic.bin", 1, "pic.bin: Cannot create file \"pic.bin\". It is the picture being converted.\n"},
      {"hero.plt", 1, "hero.plt: Cannot create file \"hero.plt\". It is the picture being converted.\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    for (const char* leaf : {"a.bmp", "a.BMP", "pic.bin", "hero.plt"}) WritePicture(dir / leaf, 16, 8, 3);
    const auto before = dir.List();
    const Bytes picture = ReadFileBytes(dir / "pic.bin");
    const Outcome r = RunIn(dir, "", c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
    EXPECT_EQ(dir.List(), before) << c.args;
    EXPECT_EQ(ReadFileBytes(dir / "pic.bin"), picture) << c.args;
  }
}

// Past the file size limit a write fails with a message instead of the
// process being killed half-way.
TEST(OutputSetProcess, FileSizeLimitIsReportedAsAFullDisk) {
  TempDir dir;
  WritePicture(dir / "big.bmp", 512, 512, 5);
  const Outcome r = RunIn(dir, "ulimit -f 64 &&", "big.bmp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "big.bmp: Cannot write file \"big.bin\". Disk full.\n");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"big.bmp"});
}

}  // namespace
