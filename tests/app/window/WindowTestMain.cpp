// The window tests need the program's own application object, and no screen:
// the offscreen platform serves.
#include "app/QelApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  kestrava::TQelApplication Application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
