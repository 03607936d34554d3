#pragma once

// The undo journal of a document. Between the outermost start and end of an undo mark every
// change records a small action that takes it back; "U" runs the actions of the last completed
// group in reverse order. Recording the changes, not copying the drawing, keeps a mark cheap on
// big drawings, and handles stay stable because nothing is renumbered.

#include <functional>
#include <vector>

namespace cadhost::detail {

class UndoJournal {
 public:
  using Action = std::function<void()>;

  bool recording() const { return depth_ > 0 && !replaying_; }
  void start() { ++depth_; }
  void end();
  // Records how to take back a change that was just made; ignored outside a group.
  void record(Action undo);
  // Takes the last completed group back; false when there is none.
  bool undoLast();

 private:
  int depth_ = 0;
  bool replaying_ = false;
  std::vector<Action> open_;
  std::vector<std::vector<Action>> done_;
};

}  // namespace cadhost::detail
