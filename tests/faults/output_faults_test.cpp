// Faults on the output side, provoked for real: a full disk, a device that is always full,
// a directory that cannot be written, a read-only mount, an output name that is a directory.
// Nothing may be lost: the input stays as it was, a previous output stays byte for byte, and
// no temporary file is left behind.
#include <gmock/gmock.h>

#include "fast/allocation_limit.h"
#include "fault_helpers.h"
#include "job/convert_file.h"
#include "settings_file.h"

namespace vellumine::testing {

const std::string kPrevious = "{\\rtf1 the previous output}";

std::string CannotOpen(const std::string& output) {
  return "vellumine: Can't open " + output +
         " file for record.\nProbably it is already used by other application.\n";
}

// Runs the converter in work and expects it to fail with err, leaving work as it was.
void ExpectFailureChangesNothing(const TempDirectory& work, const std::vector<std::string>& args,
                                 const std::string& err, const std::string& prefix = "") {
  auto before = Snapshot(work.bare());
  ProcessResult run = RunVellumine(args, work, prefix);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, err);
  EXPECT_EQ(Snapshot(work.bare()), before);
}

// An output name that is a directory: the file cannot be opened, and the directory and what
// it holds stay.
TEST(OutputFaults, OutputNameIsADirectory) {
  TempDirectory work;
  work.Make({{"page.htm", "<p>page"}, {"out/page.rtf/inside.txt", "kept"}});
  ExpectFailureChangesNothing(work, {"-q", "-o", "out", "page.htm"},
                              CannotOpen("out" + std::string(1, work.path().back()) + "page.rtf"));
}

// An empty input fails; a previous output under the name stays as it was, and where there
// was none the empty file is left under the name.
TEST(OutputFaults, EmptyInputKeepsAPreviousOutput) {
  TempDirectory work;
  work.Make({{"e.html", ""}, {"e.txt", "PREVIOUS\n"}});
  ExpectFailureChangesNothing(work, {"-q", "-f", "txt", "e.html"},
                              "vellumine: e.html file has zero length.\n");
  fs::remove(work.path() + "e.txt");
  EXPECT_EQ(RunVellumine({"-q", "-f", "txt", "e.html"}, work).exitCode, 1);
  EXPECT_EQ(work.Read("e.txt"), "");
}

// Memory refused at each allocation in turn, from the first on, until the conversion has all
// it needs: every run that fails leaves the previous output byte for byte and no temporary
// file, and at least one of them fails for want of memory.
TEST(OutputFaults, OutOfMemoryKeepsAPreviousOutput) {
  struct AllocationLimit { ~AllocationLimit() { LimitBlockAllocations(-1); } } lifted;
  for (size_t size : {size_t{2000}, size_t{5} << 20})  // the larger is read in halves
  for (vellumine_reading reading : {VELLUMINE_READING_DEFAULT, VELLUMINE_READING_CLASSIC}) {
    vellumine_options options = OptionsFor(ConversionMode::RtfTables);
    options.reading = reading;
    TempDirectory work;
    work.Make({{"page.htm", LargePage(size)}, {"page.rtf", kPrevious}});
    bool outOfMemory = false;
    vellumine_result result = VELLUMINE_OUT_OF_MEMORY;
    for (int64_t granted = 0; granted < 100 && result != VELLUMINE_OK; ++granted) {
      LimitBlockAllocations(granted);
      result = ConvertFile((work.path() + "page.htm").c_str(), work.path().c_str(), options);
      LimitBlockAllocations(-1);
      if (result == VELLUMINE_OK) break;
      // The output's own first block is refused before the output is opened.
      EXPECT_THAT(result, ::testing::AnyOf(VELLUMINE_OUT_OF_MEMORY, VELLUMINE_CANNOT_OPEN_OUTPUT));
      outOfMemory |= result == VELLUMINE_OUT_OF_MEMORY;
      // (Compared by name and output: the page is too large to print.)
      EXPECT_EQ(work.Read("page.rtf"), kPrevious) << granted << " blocks granted, " << size;
      EXPECT_EQ(Snapshot(work.bare()).size(), 2u) << granted << " blocks granted, " << size;
    }
    EXPECT_EQ(result, VELLUMINE_OK);
    EXPECT_TRUE(outOfMemory);
    EXPECT_NE(work.Read("page.rtf"), kPrevious);
  }
}

#ifndef _WIN32

std::string CannotWrite(const std::string& output) {
  return "vellumine: Can't write " + output + " file.\nThe disk may be full.\n";
}

// A disk that fills up part-way: the output directory is a tmpfs of 64 KiB.
TEST(OutputFaults, DiskFullOnASmallFileSystem) {
  TempDirectory work;
  work.Make({{"page.htm", LargePage(1 << 20)}, {"full/", ""}});
  Mount tmpfs("-t tmpfs -o size=64k", "tmpfs", work.path() + "full");
  if (!tmpfs.mounted) GTEST_SKIP() << "this machine does not let the test mount (needs root)";
  // With a previous output under the name, and with none: the input, the previous file, no
  // stray file.
  work.Write("full/page.rtf", kPrevious);
  ExpectFailureChangesNothing(work, {"-q", "-o", "full", "page.htm"}, CannotWrite("full/page.rtf"));
  fs::remove(work.path() + "full/page.rtf");
  ExpectFailureChangesNothing(work, {"-q", "-o", "full", "page.htm"}, CannotWrite("full/page.rtf"));
}

// settings.ini on a disk with no room left: the previous file stays whole.
TEST(OutputFaults, SettingsOnAFullDiskKeepThePreviousFile) {
  TempDirectory work;
  work.Make({{"full/", ""}});
  Mount tmpfs("-t tmpfs -o size=64k", "tmpfs", work.path() + "full");
  if (!tmpfs.mounted) GTEST_SKIP() << "this machine does not let the test mount (needs root)";
  work.Write("full/settings.ini", "[Default path]\r\nC:\\in\\a.htm\r\nC:\\out\r\n");
  work.Write("full/filler", std::string(64 << 10, 'x'));  // takes what room is left
  auto before = Snapshot(work.path() + "full");
  EXPECT_FALSE(
      WriteSettings(work.path() + "full", {std::string(8192, 'i'), std::string(8192, 'o')}));
  EXPECT_EQ(Snapshot(work.path() + "full"), before);
}

// Standard input spooled to a temporary directory that fills up part-way, or that is
// missing: the page is held in memory instead, and converted whole.
TEST(OutputFaults, StandardInputSpoolOnAFullDisk) {
  TempDirectory work;
  work.Make({{"page.htm", LargePage(6 << 20)}, {"full/", ""}});
  Mount tmpfs("-t tmpfs -o size=1m", "tmpfs", work.path() + "full");
  if (!tmpfs.mounted) GTEST_SKIP() << "this machine does not let the test mount (needs root)";
  ASSERT_EQ(RunVellumine({"-q", "-f", "txt", "page.htm"}, work).exitCode, 0);
  const std::string file = work.Read("page.txt");
  for (const char* spool : {"full", "missing"}) {
    ProcessResult run = RunVellumine({"-f", "txt", "-"}, work, "TMPDIR=" + std::string(spool) + " ",
                                     "page.htm");
    EXPECT_EQ(run.exitCode, 0) << spool;
    EXPECT_EQ(run.err, "") << spool;
    EXPECT_TRUE(run.rawOut == file) << spool << ": " << run.rawOut.size() << " bytes";
  }
  EXPECT_TRUE(fs::is_empty(work.path() + "full"));
}

// A device that is always full under the output's name: the conversion fails, and the name
// still leads to the device.
TEST(OutputFaults, DeviceThatIsAlwaysFull) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TempDirectory work;
  work.Make({{"page.htm", LargePage(200000)}, {"out/", ""}});
  fs::create_symlink("/dev/full", work.path() + "out/page.txt");
  ExpectFailureChangesNothing(work, {"-q", "-f", "txt", "-o", "out", "page.htm"},
                              CannotWrite("out/page.txt"));
  EXPECT_TRUE(fs::is_character_file("/dev/full"));  // a device is never replaced
}

// An output directory without write permission, run as an unprivileged user, and a read-only
// mount, as root too.
TEST(OutputFaults, OutputDirectoryCannotBeWritten) {
  TempDirectory work;
  work.Make({{"page.htm", "<p>page"}, {"out/page.rtf", kPrevious}});
  fs::permissions(work.path() + "out", fs::perms::owner_write | fs::perms::group_write |
                                           fs::perms::others_write, fs::perm_options::remove);
  ExpectFailureChangesNothing(work, {"-q", "-o", "out", "page.htm"}, CannotOpen("out/page.rtf"),
                              UnprivilegedPrefix());
  fs::permissions(work.path() + "out", fs::perms::owner_all);
  Mount readOnly("--bind -o ro", work.path() + "out", work.path() + "out");
  if (!readOnly.mounted) GTEST_SKIP() << "this machine does not let the test mount (needs root)";
  ExpectFailureChangesNothing(work, {"-q", "-o", "out", "page.htm"}, CannotOpen("out/page.rtf"));
}

// An input that cannot be read, by an unprivileged user: reported, nothing written.
TEST(OutputFaults, InputCannotBeRead) {
  TempDirectory work;
  work.Make({{"page.htm", "<p>secret"}, {"out/page.rtf", kPrevious}});
  fs::permissions(work.path() + "page.htm", fs::perms::none);
  fs::permissions(work.path() + "out", fs::perms::all);
  fs::permissions(work.path() + "out/page.rtf", fs::perms::all);
  ExpectFailureChangesNothing(work, {"-q", "-o", "out", "page.htm"},
                              "vellumine: Can't open page.htm file for reading.\n",
                              UnprivilegedPrefix());
}

#endif

}  // namespace vellumine::testing
