#include "model/undo_journal.h"

namespace cadhost::detail {

void UndoJournal::end() {
  if (depth_ == 0) return;
  if (--depth_ == 0) {
    done_.push_back(std::move(open_));
    open_.clear();
  }
}

void UndoJournal::record(Action undo) {
  if (recording()) open_.push_back(std::move(undo));
}

bool UndoJournal::undoLast() {
  if (done_.empty()) return false;
  std::vector<Action> group = std::move(done_.back());
  done_.pop_back();
  replaying_ = true;
  try {
    for (auto it = group.rbegin(); it != group.rend(); ++it) (*it)();
  } catch (...) {
    replaying_ = false;
    throw;
  }
  replaying_ = false;
  return true;
}

}  // namespace cadhost::detail
