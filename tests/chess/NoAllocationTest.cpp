// Playing moves must not touch the heap: this program counts every operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "chess/ChessPos.h"
#include "tests/chess/ChessTestUtil.h"

// The replaced new and delete below pair malloc with free by design; GCC cannot
// see that once it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<long> allocations{0};
}  // namespace

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

namespace {

bool Play(TChessPosition& pos, const char* token) {
  if (pos.ReadSan(token) && pos.ValidateMove()) pos.MakeMove();
  return !pos.CurMove.Failed;
}

TEST(NoAllocation, MovesChecksMatesAndTrials) {
  TChessPosition line;
  TChessPosition trial;
  PlacePieces(trial, "Ke1 Nf1 Nb3 / Kc4 Rh1", kWhite);
  const char* moves[] = {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7#"};
  const long before = allocations;
  for (const char* move : moves) EXPECT_TRUE(Play(line, move)) << move;
  EXPECT_FALSE(Play(line, "Kd7"));
  EXPECT_TRUE(Play(trial, "Nd2"));
  EXPECT_TRUE(line.StepBy(-3));
  EXPECT_EQ(allocations - before, 0);
  EXPECT_EQ(trial.MoveText, "Nbd2+");
}

}  // namespace
