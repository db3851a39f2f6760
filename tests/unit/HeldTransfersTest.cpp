#include "transport/HeldTransfers.h"

#include <gtest/gtest.h>

namespace orten {
namespace {

// Stands for a transfer's memory; the test plays the system that holds it.
struct FakeSlot {
  static inline int alive = 0;
  static inline bool systemDone = false;
  FakeSlot() { ++alive; }
  ~FakeSlot() { --alive; }
  FakeSlot(const FakeSlot&) = delete;
  FakeSlot& operator=(const FakeSlot&) = delete;
  bool LetGo() const { return systemDone; }
  int bytes[16] = {};
};

struct HoldCase {
  const char* name;
  bool letGoBeforeReap;  // whether the system is done when the keeper next reaps
  int heldAfterReap;
};

void PrintTo(const HoldCase& c, std::ostream* os) {
  *os << c.name;
}

class HeldTransfersTest : public testing::TestWithParam<HoldCase> {
 protected:
  void SetUp() override {
    FakeSlot::alive = 0;
    FakeSlot::systemDone = false;
  }
};

TEST_P(HeldTransfersTest, AbandonedMemoryLivesUntilTheSystemLetsGo) {
  const HoldCase& row = GetParam();
  {
    HeldTransfers<FakeSlot> slots;
    FakeSlot* lent = &slots.Current();
    slots.Abandon();
    FakeSlot& fresh = slots.Current();
    EXPECT_NE(&fresh, lent) << "the next transfer must not reuse memory the system holds";
    slots.Reap();
    EXPECT_EQ(slots.HeldCount(), 1u) << "still held: nothing freed";
    lent->bytes[15] = 1;  // the system finishing late writes into it (ASan would catch a free)

    FakeSlot::systemDone = row.letGoBeforeReap;
    slots.Reap();
    EXPECT_EQ(static_cast<int>(slots.HeldCount()), row.heldAfterReap);
    EXPECT_EQ(FakeSlot::alive, 1 + row.heldAfterReap);
  }
  // The keeper's end frees what was let go and keeps what still is not.
  EXPECT_EQ(FakeSlot::alive, row.heldAfterReap);
}

INSTANTIATE_TEST_SUITE_P(Holds, HeldTransfersTest,
                         testing::Values(HoldCase{"LetGoLater", true, 0},
                                         HoldCase{"NeverLetGo", false, 1}),
                         [](const testing::TestParamInfo<HoldCase>& row) {
                           return row.param.name;
                         });

}  // namespace
}  // namespace orten
