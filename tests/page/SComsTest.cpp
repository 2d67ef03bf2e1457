#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "PageTestSupport.h"
#include "page/PnGlobal.h"
#include "page/SComs.h"
#include "page/SDoc.h"

namespace {

using page::SComs;

// A command that writes what happens to it into a log; its Do or Undo can
// fail.
class LogCom : public page::SCom {
 public:
  LogCom(std::string name, std::string& log, int doResult, int undoResult)
      : SCom(nullptr), name_(std::move(name)), log_(log), doResult_(doResult), undoResult_(undoResult) {}
  ~LogCom() override { log_ += "~" + name_ + " "; }
  int Do() override { return Note("do", doResult_); }
  int Redo() override { return Note("re", 0); }
  int Undo() override { return Note("un", undoResult_); }
  const std::string& Name() const { return name_; }

 private:
  int Note(const char* what, int result) {
    log_ += what + name_ + " ";
    return result;
  }
  std::string name_;
  std::string& log_;
  int doResult_;
  int undoResult_;
};

// The stack as text: names, "|" for group markers, "^" where current is.
std::string Layout(const SComs& stack) {
  std::string out;
  for (int i = 0; i <= stack.GetCount(); ++i) {
    if (i == stack.GetCurrent()) out += "^";
    if (i == stack.GetCount()) break;
    const auto* command = dynamic_cast<const LogCom*>(stack.GetCommand(i));
    out += command ? command->Name() : "|";
  }
  return out;
}

// Runs a script of steps on a stack: "xA" executes A ("xA!" one whose Do
// fails with -3, "xA?" one whose Undo fails with -5), "c" closes the
// group, "u" undo, "r" redo, "b" rollback. A step's non-zero result goes
// into the log as "=<code>".
void RunScript(SComs& stack, const std::string& script, std::string& log) {
  std::istringstream steps(script);
  std::string step;
  while (steps >> step) {
    int rc = 0;
    switch (step[0]) {
      case 'x': {
        const char last = step.back();
        const bool failDo = last == '!', failUndo = last == '?';
        const std::string name = step.substr(1, step.size() - 1 - ((failDo || failUndo) ? 1 : 0));
        rc = stack.ExecuteCommand(std::make_unique<LogCom>(name, log, failDo ? -3 : 0, failUndo ? -5 : 0));
        break;
      }
      case 'c': stack.CloseCommandGroup(); break;
      case 'u': rc = stack.UndoGroup(); break;
      case 'r': rc = stack.RedoGroup(); break;
      case 'b': rc = stack.RollbackOpenGroup(); break;
      default: FAIL() << "bad step " << step;
    }
    if (rc != 0) log += "=" + std::to_string(rc) + " ";
  }
}

TEST(SComs, SequencesOfActionsUndoRedoAndRollback) {
  struct Case {
    const char* what;
    int limit;
    const char* script;
    const char* log;
    const char* layout;
  };
  const Case cases[] = {
      {"undo at the start and redo at the end change nothing", 2, "u r xA c r", "doA ", "A|^"},
      {"limit 1: a new action drops the previous group", 1, "xA c xB c u", "doA doB ~A unB ", "^B|"},
      {"limit 1: nothing older can be undone", 1, "xA c xB c u u", "doA doB ~A unB ", "^B|"},
      {"limit 2: the third action drops the oldest group before it goes in", 2, "xA c xB c xC",
       "doA doB doC ~A ", "B|C^"},
      {"limit 2: two actions undo and redo whole", 2, "xA xB c xC c u u r", "doA doB doC unC unB unA reA reB ",
       "AB|^C|"},
      {"a failing second command: the first is undone and dropped", 2, "xA c xB xC! b",
       "doA doB doC ~C =-3 unB ~B ", "A|^"},
      {"a new action after undo cuts the redo tail", 2, "xA c xB c u xC c r", "doA doB unB doC ~B ", "A|C|^"},
      {"an empty group counts and takes one undo step", 2, "c c xA c u u", "doA unA ", "^|A|"},
      {"a failing undo stops the walk where it failed", 3, "xA xU? c u b", "doA doU unU =-5 ", "AU^|"},
      // A selection leaves its group open; Undo closes it first, so a later
      // failing action rolls back nothing and the stack stays sound.
      {"undo of an open group, then a failing action", 3, "xA c xS u xF! b", "doA doS unS doF ~F =-3 ", "A|^S|"},
      {"redo with an open group closes it and redoes nothing", 3, "xA c xS r u r", "doA doS unS reS ", "A|S|^"},
  };
  pagetest::FatalThrows fatalThrows;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string log;
    {
      SComs stack(c.limit);
      ASSERT_NO_THROW(RunScript(stack, c.script, log));
      EXPECT_EQ(Layout(stack), c.layout);
      EXPECT_EQ(log, c.log);
      log.clear();
    }
  }
}

TEST(SComs, CommandsDieOldestFirstWithTheStackAndAFailedOneAtOnce) {
  std::string log;
  {
    SComs stack(5);
    RunScript(stack, "xA c xB xC!", log);
    EXPECT_EQ(log, "doA doB doC ~C =-3 ");
    log.clear();
  }
  EXPECT_EQ(log, "~A ~B ");
}

TEST(SComs, LastGroupCommandOnlyAtAClosedGroupWithNothingUndone) {
  std::string log;
  SComs stack(5);
  EXPECT_EQ(stack.LastGroupCommand(), nullptr);
  RunScript(stack, "xA", log);
  EXPECT_EQ(stack.LastGroupCommand(), nullptr);  // the group is still open
  RunScript(stack, "c", log);
  const auto* last = dynamic_cast<const LogCom*>(stack.LastGroupCommand());
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Name(), "A");
  RunScript(stack, "u", log);
  EXPECT_EQ(stack.LastGroupCommand(), nullptr);  // a property change after undo is a new command
  RunScript(stack, "r", log);
  EXPECT_NE(stack.LastGroupCommand(), nullptr);
}

TEST(SComs, TheDepthComesFromTheGlobalsAndStaysWithinOneToTwenty) {
  struct Case {
    int limit, expect;
  };
  page::PnGlobal& global = page::PnGlobal::Get();
  const int kept = global.undoLimit;
  for (const Case c : {Case{5, 5}, Case{0, 1}, Case{-3, 1}, Case{21, 20}, Case{1, 1}}) {
    global.undoLimit = c.limit;
    EXPECT_EQ(SComs().GetGroupLimit(), c.expect) << c.limit;
    EXPECT_EQ(SComs(c.limit).GetGroupLimit(), c.expect) << c.limit;
    // A page made now takes the depth too.
    page::SDoc doc;
    EXPECT_EQ(doc.Commands().GetGroupLimit(), c.expect);
  }
  global.undoLimit = kept;
}

TEST(SComs, TheDocumentRefusesNoCommand) {
  page::SDoc doc;
  EXPECT_EQ(doc.Execute(nullptr), -1);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

}  // namespace
