#include <gtest/gtest.h>

#include <vector>

#include "shell/display_modes.h"

namespace {

std::vector<DisplayModeInfo> fakeModes;
int readsMade = 0;

bool ReadFakeMode(int index, DisplayModeInfo& mode) {
  ++readsMade;
  if (index < 0 || index >= static_cast<int>(fakeModes.size())) return false;
  mode = fakeModes[index];
  return true;
}

// A display with an endless mode list; only mode number longListMatchAt is 640x480.
int longListMatchAt = 0;
bool ReadLongList(int index, DisplayModeInfo& mode) {
  ++readsMade;
  mode = index == longListMatchAt ? DisplayModeInfo{640, 480, 32} : DisplayModeInfo{1024, 768, 32};
  return true;  // never ends by itself
}

class DisplayModeTest : public testing::Test {
 protected:
  void SetUp() override {
    fakeModes.clear();
    readsMade = 0;
  }
};

TEST_F(DisplayModeTest, DeepestModeOfTheSizeWinsFirstListedAmongEquals) {
  fakeModes = {{1024, 768, 32}, {640, 480, 8},  {640, 480, 16},
               {640, 480, 32},  {640, 480, 32}, {640, 480, 24}, {800, 600, 32}};
  EXPECT_EQ(ChooseDisplayMode(ReadFakeMode, 640, 480), 3);
}

TEST_F(DisplayModeTest, SizeMustMatchExactly) {
  fakeModes = {{640, 400, 32}, {480, 640, 32}, {640, 481, 32}, {640, 480, 16}};
  EXPECT_EQ(ChooseDisplayMode(ReadFakeMode, 640, 480), 3);
  fakeModes = {{640, 400, 32}, {480, 640, 32}, {800, 600, 24}};
  EXPECT_EQ(ChooseDisplayMode(ReadFakeMode, 640, 480), -1);
}

TEST_F(DisplayModeTest, EmptyListFindsNothing) {
  EXPECT_EQ(ChooseDisplayMode(ReadFakeMode, 640, 480), -1);
  EXPECT_EQ(readsMade, 1);
}

TEST_F(DisplayModeTest, AtMost4999ModesAreExamined) {
  longListMatchAt = 4998;
  EXPECT_EQ(ChooseDisplayMode(ReadLongList, 640, 480), 4998);
  EXPECT_EQ(readsMade, 4999);

  readsMade = 0;
  longListMatchAt = 4999;
  EXPECT_EQ(ChooseDisplayMode(ReadLongList, 640, 480), -1);
  EXPECT_EQ(readsMade, 4999);
}

}  // namespace
