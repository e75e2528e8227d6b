#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
#ifdef _WIN32
  // Wine's C runtime misreads a TZ variable (UTC with US rules); run in
  // Wine's own zone instead. Zone-specific cases are native only.
  _putenv("TZ=");
  _tzset();
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
