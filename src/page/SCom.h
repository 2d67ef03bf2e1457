#pragma once
// An undoable change of a page. A command is built by the window or tracker
// that wants the change, with the page and the values of the change, and
// handed to the page's undo stack (SDoc::Execute). Do runs once, right after
// the command is built: it records what Undo will need and then makes the
// change, as a rule by calling Redo. Undo and Redo go back and forth while
// the command lives in the stack.
//
// A command never keeps a pointer to a page object from one step to the
// next: objects leave and re-enter the list, and pasted or inserted objects
// are made anew. It keeps ids, copies of records, or the objects it has
// taken out of the page (which it owns until they go back, and deletes when
// it dies holding them).
//
// Do, Redo and Undo answer 0 (or more) on success and a negative result code
// (ResultCodes.h) on failure.

namespace page {

class SDoc;

class SCom {
 public:
  explicit SCom(SDoc* doc) : doc_(doc) {}
  SCom(const SCom&) = delete;
  SCom& operator=(const SCom&) = delete;
  virtual ~SCom() = default;

  virtual int Do() { return Redo(); }
  virtual int Redo() { return 0; }
  virtual int Undo() { return 0; }
  // True only for the marker that closes a group of commands.
  virtual bool IsGroupEnd() const { return false; }

 protected:
  SDoc& Doc() const { return *doc_; }

 private:
  SDoc* doc_;
};

// The marker that closes a group: everything one user action did.
class SComEnd final : public SCom {
 public:
  SComEnd() : SCom(nullptr) {}
  bool IsGroupEnd() const override { return true; }
};

}  // namespace page
