// Work on several cores with the output of one: a reader hands out batches in
// file order, workers process them side by side, and the results come back in
// the order the batches were read.
#pragma once

#include <deque>
#include <exception>
#include <future>
#include <string>
#include <thread>
#include <utility>

// next(batch) fills the next batch and returns false at the end; work(batch)
// turns it into a result; emit(result) is called on this thread in batch order.
// With one job everything runs on this thread. A failure of next or work
// still emits the results of the batches before it, then passes on.
template <class Batch, class Next, class Work, class Emit>
void RunInOrder(int jobs, Next&& next, Work&& work, Emit&& emit) {
  if (jobs <= 1) {
    for (Batch batch; next(batch); batch = Batch{}) {
      auto result = work(batch);
      emit(result);
    }
    return;
  }
  using TResult = decltype(work(std::declval<Batch&>()));
  std::deque<std::future<TResult>> running;
  auto emitOldest = [&] {
    TResult result = running.front().get();
    running.pop_front();
    emit(result);
  };
  for (;;) {
    if (static_cast<int>(running.size()) >= jobs) emitOldest();
    Batch batch;
    bool more = false;
    try {
      more = next(batch);
    } catch (...) {
      // The batches read before a read failure are reported first, as one job
      // would have; a failing batch among them ends the run with its own failure.
      while (!running.empty()) emitOldest();
      throw;
    }
    if (!more) break;
    running.push_back(std::async(std::launch::async,
                                 [&work, b = std::move(batch)]() mutable { return work(b); }));
  }
  while (!running.empty()) emitOldest();
}
