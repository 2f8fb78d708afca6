#include "format/string_stack.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/program_state.h"

namespace zem {
namespace {

class StringStackTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }
};

TEST_F(StringStackTest, PopsInReverseOrderAndEndsEmpty) {
  PushString("A");
  PushString("");
  PushString("BC");
  EXPECT_EQ(PopString(), "BC");
  EXPECT_EQ(PopString(), "");
  EXPECT_EQ(PopString(), "A");
  EXPECT_EQ(StringStack().Data, "");
}

TEST_F(StringStackTest, StoresBytesThenLittleEndianLength) {
  std::string text(300, 'x');
  PushString(text);
  ASSERT_EQ(StringStack().Data.size(), 302u);
  EXPECT_EQ(static_cast<unsigned char>(StringStack().Data[300]), 300 % 256);
  EXPECT_EQ(static_cast<unsigned char>(StringStack().Data[301]), 300 / 256);
}

TEST_F(StringStackTest, HoldsAnyBytes) {
  std::string text("\0\xff\x01,\r\n", 6);
  PushString(text);
  PushString(std::string(kMaxStackEntry, '\x80'));
  EXPECT_EQ(PopString(), std::string(kMaxStackEntry, '\x80'));
  EXPECT_EQ(PopString(), text);
}

TEST_F(StringStackTest, LongTextKeepsTheLongestEntryAndStackStaysSound) {
  PushString("below");
  PushString(std::string(kMaxStackEntry + 10, 'z'));
  EXPECT_EQ(PopString(), std::string(kMaxStackEntry, 'z'));
  EXPECT_EQ(PopString(), "below");
}

// An empty or damaged stack answers the empty text and is usable afterwards.
TEST_F(StringStackTest, EmptyOrDamagedStackGivesEmptyText) {
  const std::string damaged[] = {
      std::string(),                     // empty
      std::string("\x05", 1),            // a single byte
      std::string("ab\x05\x00", 4),      // length beyond the data
      std::string("ab\xff\xff", 4),      // negative length
      std::string("abcdef\x00\x80", 8),  // length -32768
  };
  for (const std::string& data : damaged) {
    StringStack().Data = data;
    EXPECT_EQ(PopString(), "");
    EXPECT_EQ(StringStack().Data, "");
    PushString("ok");
    EXPECT_EQ(PopString(), "ok");
    EXPECT_EQ(PopString(), "");
  }
}

TEST_F(StringStackTest, RandomPushesAndPopsMatchAVector) {
  std::mt19937 random(31);
  std::vector<std::string> model;
  for (int step = 0; step < 5000; ++step) {
    if (model.empty() || std::uniform_int_distribution<int>(0, 2)(random) > 0) {
      std::string text(std::uniform_int_distribution<int>(0, 20)(random), '\0');
      for (char& c : text) c = static_cast<char>(random());
      PushString(text);
      model.push_back(text);
    } else {
      ASSERT_EQ(PopString(), model.back());
      model.pop_back();
    }
  }
  while (!model.empty()) {
    ASSERT_EQ(PopString(), model.back());
    model.pop_back();
  }
  EXPECT_EQ(StringStack().Data, "");
}

}  // namespace
}  // namespace zem
