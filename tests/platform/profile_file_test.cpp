#include "platform/profile_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

#include "platform/text_encoding.h"

namespace halvric {
namespace {

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/halvric_profile_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static std::string Utf16(const std::string& utf8) { return "\xFF\xFE" + Utf8ToUtf16Le(utf8); }

  std::string dir_;
};

TEST_F(ProfileFileTest, ReadsUtf16WithWindowsLookupRules) {
  const std::string path = Put("a.ini", Utf16(
      "orphan=before any section\r\n"
      "[Main]\r\n"
      "; comment=not a key\r\n"
      "  Name  =  \"  quoted value \"  \r\n"
      "name=second wins never\r\n"
      "empty=\r\n"
      "noequals line\r\n"
      "Unicode=Überschrift ✓\r\n"
      "[main]\r\n"
      "extra=from the repeated section\r\n"
      "[Other]\r\n"
      "k=v"));
  ProfileFile f(path);
  EXPECT_TRUE(f.exists());
  EXPECT_EQ(f.encoding(), ProfileFile::Encoding::kUtf16Le);
  EXPECT_TRUE(f.uses_crlf());
  EXPECT_EQ(f.GetString("MAIN", "NAME", ProfileFile::kAbsent), "  quoted value ");
  EXPECT_EQ(f.GetString("main", "empty", ProfileFile::kAbsent), "");
  EXPECT_EQ(f.GetString("main", "unicode", ""), "Überschrift ✓");
  EXPECT_EQ(f.GetString("main", "; comment", ProfileFile::kAbsent), ProfileFile::kAbsent);
  EXPECT_EQ(f.GetString("main", "noequals line", ProfileFile::kAbsent), ProfileFile::kAbsent);
  EXPECT_EQ(f.GetString("main", "extra", ProfileFile::kAbsent), ProfileFile::kAbsent);
  EXPECT_EQ(f.GetString("main", "orphan", ProfileFile::kAbsent), ProfileFile::kAbsent);
  EXPECT_EQ(f.GetString("other", "k", ""), "v");
  EXPECT_EQ(f.GetString("main", "unicode", "", 5), "Übers");
  EXPECT_EQ(f.GetString("none", "x", "default text", 7), "default");
  EXPECT_EQ(f.Sections(), (std::vector<std::string>{"Main", "Other"}));
  EXPECT_EQ(f.Keys("MAIN"), (std::vector<std::string>{"Name", "empty", "Unicode"}));
}

TEST_F(ProfileFileTest, IntegersFollowTheSystemReader) {
  const std::string path = Put("i.ini",
      "\xEF\xBB\xBF[n]\nd=1033\nh=0xE01D\nH=0X1f\nneg=-12\nlead=12abc\nword=abc\nempty=\nq=\"7\"\n");
  ProfileFile f(path);
  EXPECT_EQ(f.encoding(), ProfileFile::Encoding::kUtf8Bom);
  EXPECT_FALSE(f.uses_crlf());
  EXPECT_EQ(f.GetInt("n", "d", -1), 1033);
  EXPECT_EQ(f.GetInt("n", "h", -1), 0xE01D);
  EXPECT_EQ(f.GetInt("n", "neg", 0), -12);
  EXPECT_EQ(f.GetInt("n", "lead", 0), 12);
  EXPECT_EQ(f.GetInt("n", "word", 5), 0);
  EXPECT_EQ(f.GetInt("n", "empty", 5), 5);
  EXPECT_EQ(f.GetInt("n", "missing", 5), 5);
  EXPECT_EQ(f.GetInt("n", "q", 0), 7);
}

TEST_F(ProfileFileTest, WritesInPlaceKeepingEncodingLinesAndOrder) {
  const std::string original =
      "; header comment\r\n[ARG]\r\nLanguage=1033\r\nosd=1\r\n\r\n[Other]\r\nx=1\r\n";
  const std::string path = Put("set.ini", Utf16(original));
  ProfileFile f(path);
  ASSERT_TRUE(f.WriteString("arg", "LANGUAGE", "1028"));
  ASSERT_TRUE(f.WriteString("arg", "pin", "42"));
  ASSERT_TRUE(f.WriteInt("new", "k", -3));
  EXPECT_EQ(Slurp(path), Utf16(
      "; header comment\r\n[ARG]\r\nLanguage=1028\r\nosd=1\r\npin=42\r\n\r\n[Other]\r\nx=1\r\n[new]\r\nk=-3\r\n"));
  EXPECT_EQ(f.GetInt("ARG", "language", 0), 1028);
  // A second object sees the writes; writes of one object keep those of another.
  ProfileFile g(path);
  ASSERT_TRUE(g.WriteString("Other", "y", "2"));
  ASSERT_TRUE(f.WriteString("ARG", "osd", "0"));
  f.Reload();
  EXPECT_EQ(f.GetString("other", "y", ""), "2");
  EXPECT_EQ(f.GetString("arg", "osd", ""), "0");
}

TEST_F(ProfileFileTest, WritesUtf8WithoutFinalLineBreakBack) {
  const std::string path = Put("u.ini", "[s]\na=1");
  ProfileFile f(path);
  ASSERT_TRUE(f.WriteString("s", "b", "2"));
  EXPECT_EQ(Slurp(path), "[s]\na=1\nb=2");
}

TEST_F(ProfileFileTest, CreatesNewFilesButNotFolders) {
  const std::string path = dir_ + "/new.ini";
  ProfileFile f(path);
  EXPECT_FALSE(f.exists());
  EXPECT_EQ(f.GetString("a", "b", ProfileFile::kAbsent), ProfileFile::kAbsent);
  ASSERT_TRUE(f.WriteString("ARG", "app0", "/usr/bin/x"));
  EXPECT_EQ(Slurp(path), "[ARG]\napp0=/usr/bin/x\n");

  ProfileFile missing(dir_ + "/no/such/folder/set.ini");
  std::string error;
  EXPECT_FALSE(missing.WriteString("ARG", "osd", "1", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/no"));
}

TEST_F(ProfileFileTest, RefusesWritesThatWouldBreakTheFile) {
  const std::string path = Put("r.ini", "[s]\na=1\n");
  ProfileFile f(path);
  EXPECT_FALSE(f.WriteString("s", "a", "line\nbreak"));
  EXPECT_FALSE(f.WriteString("s", "k=x", "1"));
  EXPECT_FALSE(f.WriteString("s]x", "k", "1"));
  EXPECT_FALSE(f.WriteString("s", "", "1"));
  EXPECT_EQ(Slurp(path), "[s]\na=1\n");
  // A path that exists but cannot be read as a file is never replaced.
  const std::string sub = dir_ + "/folder.ini";
  std::filesystem::create_directory(sub);
  ProfileFile d(sub);
  EXPECT_FALSE(d.WriteString("s", "a", "1"));
  EXPECT_TRUE(std::filesystem::is_directory(sub));
  // No temporary files are left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 2);
}

TEST_F(ProfileFileTest, SeveralKeysGoInOneWriteOrNotAtAll) {
  const std::string path = Put("m.ini", "; note\n[ARG]\nosd=1\n");
  ProfileFile f(path);
  EXPECT_FALSE(f.WriteStrings("ARG", {{"osd", "0"}, {"bad=key", "1"}}));
  EXPECT_FALSE(f.WriteStrings("ARG", {{"osd", "0"}, {"app0", "two\nlines"}}));
  EXPECT_EQ(Slurp(path), "; note\n[ARG]\nosd=1\n");
  ASSERT_TRUE(f.WriteStrings("ARG", {{"osd", "0"}, {"app0", "/usr/bin/x"}, {"osd", "2"}}));
  EXPECT_EQ(Slurp(path), "; note\n[ARG]\nosd=2\napp0=/usr/bin/x\n");
  EXPECT_EQ(f.GetInt("ARG", "osd", 9), 2);
}

TEST_F(ProfileFileTest, AFileTooLargeToBeOursIsNeitherReadNorReplaced) {
  const std::string big = "[ARG]\nosd=1\n" + std::string(ProfileFile::kMaxFileBytes, ';');
  const std::string path = Put("big.ini", big);
  ProfileFile f(path);
  EXPECT_FALSE(f.exists());
  EXPECT_NE(f.read_error().find("larger than"), std::string::npos) << f.read_error();
  EXPECT_TRUE(ProfileFile(Put("small.ini", "[ARG]\n")).read_error().empty());
  EXPECT_TRUE(ProfileFile(path + ".missing").read_error().empty());
  EXPECT_EQ(f.GetInt("ARG", "osd", 7), 7);
  std::string error;
  EXPECT_FALSE(f.WriteString("ARG", "osd", "0", &error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
  EXPECT_EQ(Slurp(path), big);
}

TEST_F(ProfileFileTest, SurvivesMalformedFiles) {
  // Odd byte count, unpaired surrogate, unterminated section header, binary noise.
  std::string bytes = Utf16("[broken\r\nk=v\r\n[s]\r\nx=") + std::string("\x00\xD8", 2) + std::string("\x41", 1);
  ProfileFile f(Put("m.ini", bytes));
  EXPECT_EQ(f.GetString("broken", "k", ""), "v");
  EXPECT_EQ(f.GetString("s", "x", ""), "\xEF\xBF\xBD");
  ProfileFile g(Put("n.ini", std::string("\x00\x01\xFF\n[\n=\n\xC3", 9)));
  EXPECT_EQ(g.Sections().size(), 1u);
  EXPECT_EQ(g.GetInt("", "", 9), 9);
}

}  // namespace
}  // namespace halvric
