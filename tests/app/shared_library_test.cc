#include "app/shared_library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

// Libraries opened on first use: a missing library or function is a clear
// message, never a half-filled table.
namespace almanix {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct ZlibTable {
  decltype(&::zlibVersion) zlibVersion = nullptr;
  decltype(&::crc32) crc32 = nullptr;
};

TEST(SharedLibraryTest, FillsTheTableFromTheSystemLibrary) {
  ZlibTable table;
  Status status = OpenSharedLibrary("libz.so.1", "zlib",
                                    {{"zlibVersion", reinterpret_cast<void**>(&table.zlibVersion)},
                                     {"crc32", reinterpret_cast<void**>(&table.crc32)}});
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_NE(table.zlibVersion, nullptr);
  EXPECT_STREQ(table.zlibVersion(), zlibVersion());
  const unsigned char text[] = "123456789";
  EXPECT_EQ(table.crc32(0, text, 9), 0xCBF43926u);
}

TEST(SharedLibraryTest, AMissingLibraryOrFunctionIsNamedAndFillsNothing) {
  ZlibTable table;
  Status missing = OpenSharedLibrary(
      "libalmanix-nowhere.so.7", "nowhere",
      {{"zlibVersion", reinterpret_cast<void**>(&table.zlibVersion)}});
  EXPECT_FALSE(missing.ok());
  EXPECT_THAT(missing.message(),
              StartsWith("the system's nowhere library could not be loaded: "));
  EXPECT_THAT(missing.message(), HasSubstr("libalmanix-nowhere.so.7"));
  EXPECT_EQ(table.zlibVersion, nullptr);

  Status no_function = OpenSharedLibrary(
      "libz.so.1", "zlib",
      {{"zlibVersion", reinterpret_cast<void**>(&table.zlibVersion)},
       {"almanix_no_such_function", reinterpret_cast<void**>(&table.crc32)}});
  EXPECT_FALSE(no_function.ok());
  EXPECT_THAT(no_function.message(),
              StartsWith("the system's zlib library could not be loaded: "));
  EXPECT_THAT(no_function.message(), HasSubstr("almanix_no_such_function"));
  // Half a table would let a caller reach a function that is not there.
  EXPECT_EQ(table.zlibVersion, nullptr);
  EXPECT_EQ(table.crc32, nullptr);
}

}  // namespace
}  // namespace almanix
