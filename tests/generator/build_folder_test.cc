#include "generator/build_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_util.h"
#include "support/temp_root.h"

namespace almanix::generator {
namespace {

namespace fs = std::filesystem;

// The open folder must answer exactly as FileExists of the joined path does,
// for every kind of name the pages ask about, and see files that arrive
// after it was opened (the run copies day pictures in as it goes).
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

  for (const std::string& name :
       {later, std::string("icons/star.gif"), std::string("/icons/star.gif"),
        std::string("folder.gif"), std::string("linked.gif"), std::string("dangling.gif"),
        std::string("missing.gif"), std::string(""), std::string("/"),
        std::string("../elsewhere.gif"), std::string("icons/../icons/star.gif")}) {
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
