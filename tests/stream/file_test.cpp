// Files, paths, names matched without regard to case, and the uncaught-failure rule.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "stream/stream.h"
#include "tests/fresh_process.h"
#include "tests/temp_working_dir.h"

namespace fs = std::filesystem;

namespace {

class InTempDir : public TempWorkingDir {
 protected:
  static void Put(const fs::path& p, std::string_view bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  static std::string Get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

using FileStream = InTempDir;

TEST_F(FileStream, BackslashPathsAreRelativeToTheWorkingDirectory) {
  fs::create_directory("data");
  auto w = OpenFileForWriting(u"data\\hiscore.dat");
  ASSERT_TRUE(w);
  w->WriteInt(12345);
  CloseStream(w);
  auto r = OpenFileForReading(u"data/hiscore.dat");
  ASSERT_TRUE(r);
  EXPECT_EQ(4, r->Size());
  EXPECT_EQ(12345, r->ReadInt());
  EXPECT_EQ(0, r->ReadInt()) << "an exhausted file reads 0";
}

TEST_F(FileStream, ModesFollowTheFlags) {
  Put("f.bin", "abcdef");
  {
    auto both = TCStream::OpenFile(u"f.bin", true, true);
    ASSERT_TRUE(both);
    EXPECT_EQ(6, both->Size()) << "read-write keeps the contents";
    both->Seek(4);
    both->WriteShort(0x5A59);
    EXPECT_EQ(6, both->Pos());
  }
  EXPECT_EQ("abcdYZ", Get("f.bin")) << "the last release closed and flushed the file";
  {
    auto w = TCStream::OpenFile(u"f.bin", false, true);
    ASSERT_TRUE(w);
    EXPECT_EQ(0, w->Size()) << "write-only empties an existing file";
    w->WriteByte('q');
    EXPECT_EQ(1, w->Size());
    uint8_t b;
    EXPECT_EQ(0, w->Read(&b, 1)) << "a write-only file gives no bytes";
  }
  EXPECT_EQ("q", Get("f.bin"));
}

TEST_F(FileStream, CloseTwiceAndMissingFiles) {
  Put("x", "12");
  auto s = TCStream::OpenFile(u"x", true, false);
  ASSERT_TRUE(s);
  s->Close();
  EXPECT_EQ(0, s->Size());
  EXPECT_EQ(0, s->Close()) << "a second Close does nothing";
  EXPECT_FALSE(OpenFileForReading(u"no\\such\\file.dat"));
  EXPECT_FALSE(OpenFileForWriting(u"no_dir/file.dat")) << "no directory to create it in";
}

TEST_F(FileStream, AFullDiskRaisesOnWrite) {
  auto s = TCStream::OpenFile(u"/dev/full", false, true);
  ASSERT_TRUE(s);
  EXPECT_THROW(s->WriteInt(1), TStreamWriteException);
}

using CaseInsensitiveNames = InTempDir;

TEST_F(CaseInsensitiveNames, DataAndDataNameTheSameDirectory) {
  fs::create_directory("data");
  auto w = OpenFileForWriting(u"Data\\anaglyph3d.dat");
  ASSERT_TRUE(w) << "a file is created in the existing directory spelled otherwise";
  w->WriteInt(3);
  CloseStream(w);
  EXPECT_TRUE(fs::exists("data/anaglyph3d.dat"));
  EXPECT_FALSE(fs::exists("Data"));
  EXPECT_EQ(1, FileKind(u"DATA\\ANAGLYPH3D.DAT"));
  auto r = OpenFileForReading(u"dAtA/Anaglyph3D.dat");
  ASSERT_TRUE(r);
  EXPECT_EQ(3, r->ReadInt());
}

TEST_F(CaseInsensitiveNames, WritingReusesTheFileAsSpelledOnDisk) {
  fs::create_directory("data");
  Put("data/HiScore.dat", "old!");
  auto w = OpenFileForWriting(u"data\\hiscore.dat");
  ASSERT_TRUE(w);
  w->WriteInt(7);
  CloseStream(w);
  EXPECT_EQ(std::string("\x07\0\0\0", 4), Get("data/HiScore.dat"));
  EXPECT_FALSE(fs::exists("data/hiscore.dat"));
}

TEST_F(CaseInsensitiveNames, AnExactSpellingWins) {
  fs::create_directory("a");
  fs::create_directory("A");
  Put("a/f", "lower");
  Put("A/f", "upper");
  EXPECT_EQ(u"A/f", ResolveFileCase(u"A\\f"));
  EXPECT_EQ(u"a/f", ResolveFileCase(u"a/f"));
  EXPECT_EQ(u"", ResolveFileCase(u"b/f"));
  EXPECT_EQ(u"", ResolveFileCase(u""));
  Put("a/Only", "x");
  EXPECT_EQ(u"a/Only", ResolveFileCase(u"a/ONLY"));
  EXPECT_EQ(dir_.string() + "/a/Only", TextToBytes(ResolveFileCase(BytesToText(dir_.string() + "/a/only"))));
}

TEST_F(CaseInsensitiveNames, MakeDirectoryMakesTheSpellingGivenOnlyWhereNoneOfAnotherIsThere) {
  EXPECT_TRUE(MakeDirectory(u"data\\sub"));
  EXPECT_TRUE(fs::is_directory("data/sub"));
  EXPECT_TRUE(MakeDirectory(u"DATA\\Sub\\"));
  EXPECT_FALSE(fs::exists("DATA")) << "expected data/ found rather than DATA/ made beside it";
  EXPECT_TRUE(MakeDirectory(u"Data\\new"));
  EXPECT_TRUE(fs::is_directory("data/new")) << "expected the new folder inside data/";
  Put("file", "");
  EXPECT_FALSE(MakeDirectory(u"file")) << "expected false where a file has the name";
  EXPECT_FALSE(MakeDirectory(u""));
}

using FileSystem = InTempDir;

TEST_F(FileSystem, FileKindAndDirectories) {
  fs::create_directory("sub");
  Put("sub/file", "");
  EXPECT_EQ(2, FileKind(u"sub"));
  EXPECT_EQ(1, FileKind(u"sub\\file"));
  EXPECT_EQ(0, FileKind(u"nothing"));
  EXPECT_EQ(0, FileKind(u""));

  EXPECT_EQ(1, ChangeDirectory(u"sub\\"));
  EXPECT_EQ(BytesToText(fs::canonical(dir_ / "sub").string()), CurrentDirectory());
  EXPECT_EQ(0, ChangeDirectory(u"missing"));
  EXPECT_EQ(1, ChangeDirectory(u".."));
}

// A write that fails half-way (here the process may write no file beyond 64 KiB, which holds
// for root too) leaves the old file as it was and no temporary file beside it.
TEST_F(FileSystem, AReplacementThatFailsToWriteLeavesTheOldFile) {
  Put("saved.dat", "the old bytes");
  // The process of its own runs this test from its start, in a directory of its own.
  EXPECT_IN_FRESH_PROCESS([]() -> std::string {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{65536, 65536};
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) return "expected to limit the size of files written";
    if (ReplaceFileBytes(u"saved.dat", std::vector<uint8_t>(1 << 20, 'x')))
      return "expected false for a megabyte written under a 64 KiB limit, got true";
    const std::string kept = Get("saved.dat");
    if (kept != "the old bytes") return "expected the old file kept, it holds " + std::to_string(kept.size()) + " bytes";
    for (const auto& e : fs::directory_iterator("."))
      if (e.path().filename() != "saved.dat") return "expected no temporary file left, found " + e.path().filename().string();
    return "";
  });
  EXPECT_TRUE(ReplaceFileBytes(u"saved.dat", {'n', 'e', 'w'})) << "expected the same write to succeed without the limit";
  EXPECT_EQ("new", Get("saved.dat"));
}

TEST(NormalisePath, SlashesColonsAndRoots) {
  EXPECT_EQ(u"data/hiscore.dat", NormalisePath(u"data\\hiscore.dat"));
  EXPECT_EQ(u"C:/", NormalisePath(u"C:"));
  EXPECT_EQ(u"C:/data", NormalisePath(u"C:data"));
  EXPECT_EQ(u"C:/data", NormalisePath(u"C:/data"));
  EXPECT_EQ(u"incbin::x", NormalisePath(u"incbin::x")) << "a double colon is left alone";
  EXPECT_EQ(u"//server/", NormalisePath(u"\\\\server"));
  EXPECT_EQ(u"//server/share", NormalisePath(u"//server/share"));
  EXPECT_EQ(u"a/b:c", NormalisePath(u"a/b:c")) << "a slash before the colon stays";

  EXPECT_EQ(u"data", NormalisePath(u"data/", true));
  EXPECT_EQ(u"/", NormalisePath(u"/", true));
  EXPECT_EQ(u"C:/", NormalisePath(u"C:/", true));
  EXPECT_EQ(u"//server/", NormalisePath(u"//server/", true));
  EXPECT_EQ(u"//server/share", NormalisePath(u"//server/share/", true));
  EXPECT_EQ(u"data/", NormalisePath(u"data/")) << "only ChangeDirectory drops the trailing slash";
}

struct ProgramRun {
  int code;
  std::string out;
};

ProgramRun RunThrowing(const char* mode) {
  std::string cmd = std::string(THROWING_PROGRAM) + " " + mode + " 2>/dev/null";
  ProgramRun r{-999, {}};
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[256];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
  int status = ::pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
  return r;
}

TEST(UncaughtFailures, PrintTheirTextToStandardOutputAndExitWithMinusOne) {
  ProgramRun runtime = RunThrowing("runtime");
  EXPECT_EQ(255, runtime.code) << "exit code -1 reads 255 to the parent";
  EXPECT_EQ("Stream is not readable\n", runtime.out);

  ProgramRun stream = RunThrowing("stream");
  EXPECT_EQ(255, stream.code);
  EXPECT_EQ("Error reading from stream\n", stream.out);

  ProgramRun thread = RunThrowing("thread");
  EXPECT_EQ(255, thread.code);
  EXPECT_EQ("Failed on another thread\n", thread.out);

  ProgramRun ok = RunThrowing("ok");
  EXPECT_EQ(0, ok.code);
  EXPECT_EQ("", ok.out);
}

}  // namespace
