// Playing moves must not touch the heap: this program counts every operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/chess/ChessTestUtil.h"

// The replaced new and delete below pair malloc with free by design; GCC cannot
// see that once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

static std::atomic<long> allocations{0};

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

TEST(NoAllocation, MovesChecksMatesAndTrials) {
  TChessPosition pos;
  // Nd2 is settled by trial between the knights on b1 and b3; Qh4# mates.
  const char* moves[] = {"d3", "a6",  "Nf3", "a5", "Nd4", "h6", "Nb3",
                         "b6", "Nd2", "e5",  "f3", "b5",  "g4", "Qh4#"};
  const long before = allocations;
  for (const char* move : moves) EXPECT_EQ(Play(pos, move), 0) << move;
  EXPECT_EQ(Play(pos, "Kf2"), 18);
  EXPECT_TRUE(pos.StepBy(-3));
  EXPECT_EQ(allocations - before, 0);
}
