#include "base/fatal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/vector.h"

namespace qs {
namespace {

// The hooks record what they are given and unwind with an exception instead of ending the
// process, so each test sees the whole report.
struct ProcessExit {
  int code;
};

std::vector<std::string> g_shown;
std::vector<int> g_exitCodes;
void (*g_duringShow)() = nullptr;

void RecordShow(const char* text) {
  g_shown.emplace_back(text);
  if (g_duringShow != nullptr) g_duringShow();
}

void RecordExit(int code) {
  g_exitCodes.push_back(code);
  throw ProcessExit{code};
}

class FatalErrorTest : public testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    SetFatalErrorHooks({});
    ResetFatalErrorStateForTesting();
  }

  // Back to a process that has reported nothing yet.
  static void Reset() {
    g_shown.clear();
    g_exitCodes.clear();
    g_duringShow = nullptr;
    ResetFatalErrorStateForTesting();
    SetFatalErrorHooks({RecordShow, RecordExit});
  }

  // Runs `raise`, which must end in a fatal error, and returns the one text shown.
  template <typename Raise>
  std::string ShownBy(Raise raise) {
    EXPECT_THROW(raise(), ProcessExit);
    EXPECT_EQ(g_exitCodes, std::vector<int>{1});
    EXPECT_EQ(g_shown.size(), 1u);
    return g_shown.empty() ? std::string() : g_shown.front();
  }
};

TEST_F(FatalErrorTest, FormatsAndExitsWithCodeOne) {
  EXPECT_EQ(ShownBy([] { FatalError("Error code %d: %s", 2, "failed to read"); }),
            "Error code 2: failed to read");
}

TEST_F(FatalErrorTest, CutsLongTextsToTheBuffer) {
  const std::string longText(10000, 'x');
  const std::string shown = ShownBy([&] { FatalError("%s", longText.c_str()); });
  EXPECT_EQ(shown, std::string(4095, 'x'));
}

TEST_F(FatalErrorTest, VectorIndexOutOfRangeNamesContainerIndexAndLimit) {
  struct Case {
    int count;
    int index;
    const char* text;
  };
  const Case cases[] = {
      {3, 3, "Vector<Widget>[3]\r\nmax_index = 2"},
      {3, -1, "Vector<Widget>[-1]\r\nmax_index = 2"},
      {0, 0, "Vector<Widget>[0]\r\nmax_index = -1"},
  };
  for (const Case& c : cases) {
    Reset();
    Vector<int> widgets("Widget");
    for (int i = 0; i < c.count; ++i) widgets.Add(i);
    EXPECT_EQ(ShownBy([&] { widgets[c.index] = 1; }), c.text);
  }
  Reset();
  Vector<int> widgets("Widget");
  widgets.Add(7);
  EXPECT_EQ(widgets[0], 7);  // a valid index reports nothing
  EXPECT_TRUE(g_shown.empty());
}

TEST_F(FatalErrorTest, InternalErrorNamesModuleAndLine) {
  EXPECT_EQ(ShownBy([] { InternalFatalError("C:\\src\\core/payload_container.cpp", 120); }),
            "Internal Fatal Error\r\nModule: payload_container.cpp\r\nLine: 120");
  Reset();
  EXPECT_EQ(ShownBy([] {
              QS_CHECK(1 + 1 == 3);
            }).rfind("Internal Fatal Error\r\nModule: fatal_test.cpp\r\nLine: ", 0),
            0u);
}

TEST_F(FatalErrorTest, OutOfMemoryGivesAdviceAndSize) {
  const std::string shown = ShownBy([] { OutOfMemory(123456); });
  EXPECT_EQ(shown.rfind("Out Of Memory", 0), 0u);
  EXPECT_NE(shown.find("Make sure the hard drive is not full."), std::string::npos);
  EXPECT_NE(shown.find("123456"), std::string::npos);
}

TEST_F(FatalErrorTest, SecondErrorWhileShowingGoesStraightToExit) {
  g_duringShow = [] { FatalError("second %d", 2); };
  EXPECT_THROW(FatalError("first"), ProcessExit);
  EXPECT_EQ(g_shown, std::vector<std::string>{"first"});
  EXPECT_EQ(g_exitCodes, std::vector<int>{1});

  // Until the state is reset, every later fatal error only exits.
  g_duringShow = nullptr;
  EXPECT_THROW(FatalError("third"), ProcessExit);
  EXPECT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_exitCodes, (std::vector<int>{1, 1}));
}

TEST(FatalErrorDeathTest, WithoutHooksPrintsAndAborts) {
  SetFatalErrorHooks({});
  ResetFatalErrorStateForTesting();
  EXPECT_DEATH(FatalError("nothing registered %d", 42), "nothing registered 42");
}

}  // namespace
}  // namespace qs
