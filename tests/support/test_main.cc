#include <clocale>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

// Pins the environment before anything reads it, also for the listing run
// that test discovery makes.
int main(int argc, char** argv) {
  setenv("TZ", "UTC", 1);
  setenv("LANG", "C.UTF-8", 1);
  tzset();
  std::setlocale(LC_ALL, "C.UTF-8");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
