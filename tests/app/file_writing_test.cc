// Writing a page in parts and copying a generated tree: the two ways a
// generation run's files reach the disk in bulk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "app/file_util.h"
#include "app/tree_copy.h"
#include "support/small_disk.h"
#include "support/temp_root.h"

namespace almanix {
namespace {

using testing::Exists;
using testing::ReadAll;
using testing::WriteAll;

std::string Pattern(size_t size) {
  std::string text(size, ' ');
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
  return text;
}

std::string LinkTarget(const std::string& path) {
  char buffer[256];
  const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
  return n < 0 ? "" : std::string(buffer, static_cast<size_t>(n));
}

TEST(FileSinkTest, PartsOfEverySizeMakeTheSameFileAsOneWrite) {
  testing::TempRoot root;
  const std::string path = root / "page.html";
  WriteAll(path, std::string(5 << 20, 'x'));  // an older, longer page is cut off
  std::string expected;
  {
    FileSink sink(path);
    // Small parts, a part that crosses the buffer's end and one larger
    // than the buffer, which goes out on its own.
    for (int i = 0; i < 20000; ++i) {
      const std::string part = "<li>" + std::to_string(i) + "</li>\r\n";
      sink.Append(part);
      expected += part;
    }
    const std::string big = Pattern(3 << 20);
    sink.Append(big);
    expected += big;
    sink.Append("</html>");
    expected += "</html>";
    ASSERT_TRUE(sink.Finish().ok());
    EXPECT_TRUE(sink.Finish().ok()) << "a second Finish repeats the outcome";
  }
  EXPECT_EQ(ReadAll(path), expected);
}

// Writing by name in an open folder makes the file WriteFileDirect makes,
// over an old one, never through a link in its place, and names the file's
// path when it fails.
TEST(WriteFileDirectAtTest, WritesAsByPathWithoutFollowingALink) {
  testing::TempRoot root;
  const std::string folder = root / "events/";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(WriteFileDirect(folder + "1.ics", "an older and longer text").ok());
  ASSERT_TRUE(WriteFileDirectAt(fd, "1.ics", "BEGIN:VCALENDAR", folder + "1.ics").ok());
  EXPECT_EQ(ReadFileBytes(folder + "1.ics").value(), "BEGIN:VCALENDAR");
  struct stat by_name {}, by_path {};
  ASSERT_TRUE(WriteFileDirect(folder + "3.ics", "x").ok());
  ASSERT_TRUE(WriteFileDirectAt(fd, "4.ics", "x", folder + "4.ics").ok());
  ASSERT_EQ(::stat((folder + "3.ics").c_str(), &by_path), 0);
  ASSERT_EQ(::stat((folder + "4.ics").c_str(), &by_name), 0);
  EXPECT_EQ(by_name.st_mode, by_path.st_mode);

  ASSERT_TRUE(WriteFileDirect(root / "outside.txt", "keep").ok());
  ASSERT_EQ(::symlink((root / "outside.txt").c_str(), (folder + "2.ics").c_str()), 0);
  const Status linked = WriteFileDirectAt(fd, "2.ics", "x", folder + "2.ics");
  EXPECT_FALSE(linked.ok());
  EXPECT_EQ(linked.message().rfind("Cannot write " + folder + "2.ics: ", 0), 0u)
      << linked.message();
  EXPECT_EQ(ReadFileBytes(root / "outside.txt").value(), "keep");
  ::close(fd);
}

TEST(FileSinkTest, AFailureIsReportedAtTheEndNamingTheFile) {
  testing::TempRoot root;
  FileSink missing(root / "no/such/folder/page.html");
  missing.Append("text");
  const Status s = missing.Finish();
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.code(), Status::Code::kIoError);
  EXPECT_NE(s.message().find("Cannot write " + root / "no/such/folder/page.html"),
            std::string::npos)
      << s.message();

  // A disk that fills in the middle of the page: the parts that did not fit
  // are not reported as written.
  testing::SmallDisk disk(root / "small", 64);
  if (!disk.mounted()) GTEST_SKIP() << disk.skip_reason();
  FileSink full(root / "small/page.html");
  for (int i = 0; i < 200; ++i) full.Append(Pattern(4096));
  const Status f = full.Finish();
  ASSERT_FALSE(f.ok());
  EXPECT_NE(f.message().find("Cannot write"), std::string::npos) << f.message();
}

class TreeCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir((root_ / "from").c_str(), 0755);
    ::mkdir((root_ / "to").c_str(), 0755);
  }
  std::string From(const std::string& p) { return root_ / ("from/" + p); }
  std::string To(const std::string& p) { return root_ / ("to/" + p); }

  testing::TempRoot root_;
};

TEST_F(TreeCopyTest, CopiesFilesFoldersAndLinksOverWhatIsThere) {
  ::mkdir(From("events").c_str(), 0755);
  ::mkdir(From("events/deeper").c_str(), 0755);
  WriteAll(From("events/1.ics"), "BEGIN:VCALENDAR\r\n");
  WriteAll(From("events/deeper/2.ics"), "");
  const std::string big = Pattern(300000);
  WriteAll(From("events/big.bin"), big);
  ASSERT_EQ(::symlink("1.ics", From("events/latest.ics").c_str()), 0);
  // What the target already holds: a longer old file, a link to elsewhere,
  // and a file the source does not have, which stays.
  ::mkdir(To("events").c_str(), 0755);
  WriteAll(To("events/1.ics"), std::string(10000, 'o'));
  ASSERT_EQ(::symlink("elsewhere", To("events/latest.ics").c_str()), 0);
  WriteAll(To("events/kept.ics"), "kept");

  ASSERT_TRUE(CopyTreeEntry(root_ / "from/", root_ / "to/", "events").ok());
  EXPECT_EQ(ReadAll(To("events/1.ics")), "BEGIN:VCALENDAR\r\n");
  EXPECT_TRUE(Exists(To("events/deeper/2.ics")));
  EXPECT_EQ(ReadAll(To("events/deeper/2.ics")), "");
  EXPECT_EQ(ReadAll(To("events/big.bin")), big);
  EXPECT_EQ(LinkTarget(To("events/latest.ics")), "1.ics") << "a link is copied as a link";
  EXPECT_EQ(ReadAll(To("events/kept.ics")), "kept");

  // A single file at the top, with its permission bits.
  WriteAll(From("Calendar.html"), "<html>");
  ::chmod(From("Calendar.html").c_str(), 0640);
  ASSERT_TRUE(CopyTreeEntry(root_ / "from", root_ / "to", "Calendar.html").ok());
  EXPECT_EQ(ReadAll(To("Calendar.html")), "<html>");
  struct stat st {};
  ASSERT_EQ(::stat(To("Calendar.html").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(TreeCopyTest, AFailureNamesThePathAndTheRestIsStillCopied) {
  ::mkdir(From("events").c_str(), 0755);
  WriteAll(From("events/a.ics"), "a");
  WriteAll(From("events/b.ics"), "b");
  WriteAll(From("events/c.ics"), "c");
  // A folder where a file must go cannot be written over.
  ::mkdir(To("events").c_str(), 0755);
  ::mkdir(To("events/b.ics").c_str(), 0755);

  const Status s = CopyTreeEntry(root_ / "from/", root_ / "to/", "events");
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("Cannot copy " + To("events/b.ics")), std::string::npos)
      << s.message();
  EXPECT_EQ(ReadAll(To("events/a.ics")), "a");
  EXPECT_EQ(ReadAll(To("events/c.ics")), "c");

  EXPECT_FALSE(CopyTreeEntry(root_ / "from/", root_ / "to/", "missing.html").ok());
  EXPECT_FALSE(CopyTreeEntry(root_ / "from/", root_ / "nowhere/", "events").ok());
}

TEST_F(TreeCopyTest, OntoAnotherFileSystemAndUntilItIsFull) {
  testing::SmallDisk disk(root_ / "small", 256);
  if (!disk.mounted()) GTEST_SKIP() << disk.skip_reason();
  ::mkdir(From("site").c_str(), 0755);
  WriteAll(From("site/page.html"), Pattern(100000));
  // Across file systems the kernel may refuse to copy directly.
  ASSERT_TRUE(CopyTreeEntry(root_ / "from/", root_ / "small/", "site").ok());
  EXPECT_EQ(ReadAll(root_ / "small/site/page.html"), Pattern(100000));

  WriteAll(From("site/huge.html"), Pattern(1 << 20));
  const Status s = CopyTreeEntry(root_ / "from/", root_ / "small/", "site");
  ASSERT_FALSE(s.ok()) << "a full disk is never a finished copy";
  EXPECT_NE(s.message().find("huge.html"), std::string::npos) << s.message();
}

}  // namespace
}  // namespace almanix
