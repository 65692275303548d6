#include "generator/build_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_util.h"
#include "support/temp_root.h"

namespace almanix::generator {
namespace {

namespace fs = std::filesystem;

// The folder must answer exactly as FileExists of the joined path does, for
// every kind of name the pages ask about, and see the files the run writes
// after it asked (day pictures are copied in as the passes go).
TEST(BuildFolderTest, AnswersAsTheJoinedPathDoes) {
  testing::TempRoot root;
  const std::string out = root / "build/";
  fs::create_directories(out + "icons");
  fs::create_directories(out + "folder.gif");
  ASSERT_TRUE(WriteFileDirect(out + "icons/star.gif", "x").ok());
  ASSERT_TRUE(WriteFileDirect(root / "elsewhere.gif", "x").ok());
  fs::create_symlink(root / "elsewhere.gif", out + "linked.gif");
  fs::create_symlink(root / "gone.gif", out + "dangling.gif");

  BuildFolder folder(out);
  const std::string later = "2025314picture.jpg";
  EXPECT_FALSE(folder.HasFile(later));
  ASSERT_TRUE(WriteFileDirect(out + later, "x").ok());
  folder.Forget(out + later);
  // A file made in a new subfolder makes the subfolder known.
  EXPECT_FALSE(folder.HasFile("events"));
  fs::create_directories(out + "events");
  ASSERT_TRUE(WriteFileDirect(out + "events/1.ics", "x").ok());
  folder.Forget(out + "events/1.ics");
  // A file written into a subfolder leaves the folder's own answers alone;
  // names in subfolders are looked up every time.
  EXPECT_FALSE(folder.HasFile("icons/new.gif"));
  ASSERT_TRUE(WriteFileDirect(out + "icons/new.gif", "x").ok());
  EXPECT_TRUE(folder.HasFile("icons/new.gif"));

  for (const std::string& name :
       {later, std::string("icons/star.gif"), std::string("/icons/star.gif"),
        std::string("folder.gif"), std::string("linked.gif"), std::string("dangling.gif"),
        std::string("missing.gif"), std::string(""), std::string("/"),
        std::string("../elsewhere.gif"), std::string("icons/../icons/star.gif"),
        std::string("events"), std::string("events/1.ics")}) {
    EXPECT_EQ(folder.HasFile(name), FileExists(out + name)) << "'" << name << "'";
  }
  EXPECT_TRUE(folder.HasFile(later));
  EXPECT_TRUE(folder.HasFile("/icons/star.gif"));
  EXPECT_FALSE(folder.HasFile("folder.gif"));

  // A folder that is not there yet is asked by path.
  BuildFolder not_yet(root / "later/");
  fs::create_directories(root / "later");
  ASSERT_TRUE(WriteFileDirect(root / "later/a.gif", "x").ok());
  EXPECT_TRUE(not_yet.HasFile("a.gif"));
  EXPECT_FALSE(not_yet.HasFile("b.gif"));
}

}  // namespace
}  // namespace almanix::generator
