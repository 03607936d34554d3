// Bad input fails with a HostError that names the file and the place; writing never leaves a
// half-written file behind, and a write that must not replace a file never does.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "cadhost/host_error.h"
#include "dxf/dxf_io.h"
#include "dxf_test_support.h"
#include "pipe_watchdog.h"

namespace {

namespace dxf = cadhost::dxf;
using cadhost::HostError;

using dxftest::readError;

bool mentions(const HostError& e, const std::string& part) {
  return std::string(e.what()).find(part) != std::string::npos;
}

const std::string kHead = "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n";

TEST(DxfErrors, BadDxfNamesTheFileAndTheLine) {
  struct Case {
    std::string bytes;
    std::string where;
  };
  const Case cases[] = {
      {kHead + " 10\n", "line 9:"},          // truncated: a code without its value
      {kHead + "1O\n1.0\n", "line 9:"},      // a group code that is not a number
      {kHead + "  0\nENDSEC\n", "line 9:"},  // no EOF
      {kHead + " 10\n1.0\n", "line 9:"},     // the section never ended
      {"  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nENDSEC\n  0\nEOF\n", "line 9:"},
      {"  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nB\n  0\nENDSEC\n  0\nEOF\n", "line 9:"},
      {"  0\nSECTION\n  2\nHEADER\n 10\n1.0\n  0\nENDSEC\n  0\nEOF\n", "line 5:"},
      {"  0\nLINE\n  0\nEOF\n", "line 1:"},  // an entity outside any section
      {"Hello, world\nthis is no drawing\n", "line 1:"},
      {"", "empty"},
  };
  for (const Case& c : cases) {
    HostError e = readError(c.bytes, "plan.dxf");
    EXPECT_EQ(e.code(), HostError::BadFile) << e.what();
    EXPECT_TRUE(mentions(e, "plan.dxf")) << e.what();
    EXPECT_TRUE(mentions(e, c.where)) << e.what() << " (expected " << c.where << ")";
  }
  // Binary files name the byte offset.
  std::string binary("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0\x02\0ENTI", 38);
  HostError e = readError(binary, "plan.dxf");
  EXPECT_EQ(e.code(), HostError::BadFile);
  EXPECT_TRUE(mentions(e, "byte offset 32")) << e.what();
}

TEST(DxfErrors, DwgAndMissingFilesAreRefusedClearly) {
  dxftest::TempDir dir;
  std::string dwg = dir.path("real.dwg");
  dxftest::writeBytes(dwg, std::string("AC1032\0\0\0\0\0\x01\x02", 13));
  try {
    dxf::readDxfFile(dwg);
    ADD_FAILURE() << "a DWG file was read";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code(), HostError::Unsupported);
    EXPECT_TRUE(mentions(e, dwg)) << e.what();
    EXPECT_TRUE(mentions(e, "reads DXF")) << e.what();
  }

  std::string missing = dir.path("no such drawing.dxf");
  try {
    dxf::readDxfFile(missing);
    ADD_FAILURE() << "a missing file was read";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code(), HostError::NotFound);
    EXPECT_TRUE(mentions(e, missing)) << e.what();
  }
}

// A named pipe would hold open() until a writer came, and a device never ends: both are refused
// at once, naming the path.
TEST(DxfErrors, PipesAndDevicesAreRefusedAtOnce) {
  dxftest::TempDir dir;
  const std::string pipe = dir.path("pipe.dxf");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string zero = dir.path("zero.dxf");
  std::filesystem::create_symlink("/dev/zero", zero);
  sheetcut::testing::PipeWatchdog watchdog(pipe);
  for (const std::string& path : {pipe, zero}) {
    const double seconds = sheetcut::testing::secondsTaken([&] {
      try {
        dxf::readDxfFile(path);
        ADD_FAILURE() << path << " was read";
      } catch (const HostError& e) {
        EXPECT_EQ(e.code(), HostError::Io);
        EXPECT_TRUE(mentions(e, path)) << e.what();
        EXPECT_TRUE(mentions(e, "not a regular file")) << e.what();
      }
    });
    EXPECT_LT(seconds, 1.0) << path;
  }
}

TEST(DxfErrors, WritingReplacesAtomicallyAndFailsCleanly) {
  dxftest::TempDir dir;
  cadhost::model::Drawing d = dxf::newDrawing();
  std::string target = dir.path("out.dxf");
  dxftest::writeBytes(target, "old contents");
  chmod(target.c_str(), 0640);
  dxf::writeDxfFile(d, target);
  EXPECT_EQ(dxftest::readBytes(target), dxf::writeDxf(d));
  struct stat st {};
  stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the replaced file's mode is kept
  EXPECT_EQ(dxf::readDxfFile(target), d);

  std::string inMissingFolder = dir.path("missing/out.dxf");
  try {
    dxf::writeDxfFile(d, inMissingFolder);
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const HostError& e) {
    EXPECT_EQ(e.code(), HostError::Io);
    EXPECT_TRUE(mentions(e, inMissingFolder)) << e.what();
  }
  // A folder in the way of the rename: the temporary file is removed again.
  std::filesystem::create_directory(dir.path("taken.dxf"));
  dxftest::writeBytes(dir.path("taken.dxf/inside"), "x");
  EXPECT_THROW(dxf::writeDxfFile(d, dir.path("taken.dxf")), HostError);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.dir())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);  // out.dxf and the folder, no temporary file
}

// The entries of a folder by name.
std::vector<std::string> entries(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DxfErrors, NoReplaceWriteKeepsWhatIsThereAndTakesLongNames) {
  dxftest::TempDir dir;
  cadhost::model::Drawing d = dxf::newDrawing();
  const std::string fresh = dir.path("fresh.dxf");
  dxf::writeDxfFile(d, fresh, cadhost::WriteMode::NoReplace);
  EXPECT_EQ(dxftest::readBytes(fresh), dxf::writeDxf(d));
  struct stat st {};
  stat(fresh.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // A file, a folder and a dangling link each keep the name; nothing else is left.
  const std::string taken = dir.path("taken.dxf");
  dxftest::writeBytes(taken, "user data");
  std::filesystem::create_directory(dir.path("folder.dxf"));
  std::filesystem::create_symlink(dir.path("nowhere.dxf"), dir.path("link.dxf"));
  for (const char* name : {"taken.dxf", "folder.dxf", "link.dxf"}) {
    try {
      dxf::writeDxfFile(d, dir.path(name), cadhost::WriteMode::NoReplace);
      ADD_FAILURE() << "wrote over " << name;
    } catch (const HostError& e) {
      EXPECT_EQ(e.code(), HostError::Exists) << e.what();
      EXPECT_TRUE(mentions(e, dir.path(name))) << e.what();
    }
  }
  EXPECT_EQ(dxftest::readBytes(taken), "user data");
  EXPECT_FALSE(std::filesystem::exists(dir.path("nowhere.dxf")));
  EXPECT_EQ(entries(dir.dir()),
            (std::vector<std::string>{"folder.dxf", "fresh.dxf", "link.dxf", "taken.dxf"}));

  // The temporary file needs no more room than the name itself: 251 bytes and ".dxf" fit in
  // both modes.
  const std::string longest = dir.path(std::string(251, 'x') + ".dxf");
  dxf::writeDxfFile(d, longest, cadhost::WriteMode::NoReplace);
  dxf::writeDxfFile(d, longest);
  EXPECT_EQ(dxftest::readBytes(longest), dxf::writeDxf(d));
  EXPECT_EQ(entries(dir.dir()).size(), 5u);
}

TEST(DxfErrors, NoReplaceWritersRacingForOneNameNeverReplaceEachOther) {
  dxftest::TempDir dir;
  // Drawings that differ, so the file shows which writer won.
  std::vector<cadhost::model::Drawing> drawings;
  for (int i = 0; i < 8; ++i) {
    drawings.push_back(dxf::newDrawing());
    drawings.back().header.push_back({"$USERI1", {{70, std::to_string(i)}}});
  }
  for (int round = 0; round < 20; ++round) {
    const std::string target = dir.path("race" + std::to_string(round) + ".dxf");
    std::atomic<int> ready{0}, won{0}, refused{0};
    std::vector<int> winner(drawings.size(), 0);
    std::vector<std::thread> writers;
    for (std::size_t i = 0; i < drawings.size(); ++i) {
      writers.emplace_back([&, i] {
        ++ready;
        while (ready < static_cast<int>(drawings.size())) std::this_thread::yield();
        try {
          dxf::writeDxfFile(drawings[i], target, cadhost::WriteMode::NoReplace);
          ++won;
          winner[i] = 1;
        } catch (const HostError& e) {
          if (e.code() == HostError::Exists) ++refused;
        }
      });
    }
    for (std::thread& t : writers) t.join();
    ASSERT_EQ(won, 1);
    EXPECT_EQ(refused, static_cast<int>(drawings.size()) - 1);
    const auto first = std::find(winner.begin(), winner.end(), 1) - winner.begin();
    EXPECT_EQ(dxftest::readBytes(target), dxf::writeDxf(drawings[static_cast<std::size_t>(first)]));
  }
  EXPECT_EQ(entries(dir.dir()).size(), 20u);  // no temporary file left
}

// Inputs the fuzzer found: each reads or fails with a HostError, and what was read writes
// and reads back.
TEST(DxfErrors, FuzzFindingsStayFixed) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DXF_FUZZ_REGRESSIONS)) {
    ++count;
    std::string bytes = dxftest::readBytes(entry.path().string());
    cadhost::model::Drawing d;
    try {
      d = dxf::readDxf(bytes, entry.path().filename().string());
    } catch (const HostError&) {
      continue;
    }
    EXPECT_NO_THROW(dxf::readDxf(dxf::writeDxf(d), "rewritten.dxf")) << entry.path();
  }
  EXPECT_GT(count, 0);
}

}  // namespace
