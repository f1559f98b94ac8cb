// The program behind the prompt.
#include "repl/session.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "builtins/args.hpp"
#include "compile/compile.hpp"
#include "compile/forms.hpp"
#include "compile/link.hpp"
#include "compile/runtime_definition.hpp"
#include "driver/source_file.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "eval/interrupt.hpp"
#include "eval/run.hpp"
#include "front/prelude.hpp"

namespace quorl {

namespace {

bool fromPrompt(const Source& source) { return source.path.empty(); }

FirstPiece firstPieceOf(const Source& source) {
  return fromPrompt(source) ? FirstPiece::mayDefine : FirstPiece::main;
}

// Builds the program from the sources, in order.  The main expression names
// every definition typed at the prompt, so that the link checks each of
// them as it checks what a program's main expression reaches: a name they
// use that nothing defines is reported at once.  A file's definitions are
// linked as a program's are: those that refer to undefined names and that
// nothing typed uses are left out.
RunOutcome build(const std::vector<Source>& sources) {
  compilePrelude();
  // The builtins are predefined by compiling a program, here an empty one.
  RunOutcome predefined = compileProgram("");
  QUORL_CHECK(predefined.ok(), 4290);
  NodeRef main = sharedLeaf('I');
  for (const Source& source : sources) {
    RunOutcome compiled = compileProgram(source.text, firstPieceOf(source));
    if (!compiled.ok()) return compiled;
    if (fromPrompt(source))
      for (const std::string& name : source.names) main = apply(std::move(main), leaf(name));
  }
  setDefinition("", std::move(main));
  return linkProgram();
}

std::set<std::string> namesIn(const DefinitionMap& table) {
  std::set<std::string> names;
  for (const auto& [name, term] : table) names.insert(name);
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// Builds the program from `next`, the session's sources with one added or
// replaced; on failure goes back to the program as it was.  The notes name
// what the build left out or lost.
RunOutcome rebuild(Session& session, std::vector<Source> next, Notes& notes) {
  // Definitions that `load` and `road` added while expressions ran are in
  // no source: a build loses them.
  std::set<std::string> before = namesIn(definitionTable());
  std::set<std::string> built = namesIn(session.built);
  std::vector<std::string> madeWhileRunning;
  std::set_difference(before.begin(), before.end(), built.begin(), built.end(),
                      std::back_inserter(madeWhileRunning));

  RunOutcome outcome = build(next);
  if (outcome.ok()) {
    session.sources = std::move(next);
  } else if (!build(session.sources).ok()) {
    // The same sources built before; should they fail now, the session
    // starts again empty rather than run on a broken program.
    notes.push_back("The earlier definitions could not be built again; they are gone.");
    session.sources.clear();
    build(session.sources);
  }
  session.built = definitionTable();

  std::vector<std::string> lost;
  for (const std::string& name : madeWhileRunning)
    if (findDefinition(name) == nullptr) lost.push_back(name);
  if (!lost.empty())
    notes.push_back("Definitions made by load or road while an expression ran are gone: " +
                    joined(lost) + ".");
  return outcome;
}

Source sourceOf(std::string text, std::string path) {
  Source source{std::move(text), std::move(path), {}};
  for (const DefinitionPiece& piece : cutSource(source.text, firstPieceOf(source)).definitions)
    source.names.push_back(piece.key);
  return source;
}

// An evaluation cut short leaves the constants it was computing marked as
// being computed, a mark that would read as a cycle at their next use: they
// get their definitions back.
void restoreConstantsBeingComputed(const Session& session) {
  for (auto& [name, term] : definitionTable()) {
    if (!isLeafText(term.get(), ")")) continue;
    auto definition = session.built.find(name);
    if (definition != session.built.end()) rememberConstant(name, definition->second);
  }
}

}  // namespace

void startSession(Session& session) {
  session.sources.clear();
  build(session.sources);
  session.built = definitionTable();
}

RunOutcome defineFromPrompt(Session& session, std::string_view entry, Notes& notes) {
  std::vector<Source> next = session.sources;
  next.push_back(sourceOf(std::string(entry), {}));
  return rebuild(session, std::move(next), notes);
}

RunOutcome loadFile(Session& session, const std::string& path, Notes& notes) {
  std::string text;
  if (!readWholeFile(path.c_str(), text)) {
    int error = errno;
    return failure("start", "Could not read program file " + path + ": " + std::strerror(error) + ".");
  }
  // Loading a file again replaces what it defined before; its definitions
  // then come after everything typed so far.
  std::vector<Source> next;
  for (const Source& source : session.sources)
    if (source.path != path) next.push_back(source);
  next.push_back(sourceOf(std::move(text), path));
  RunOutcome outcome = rebuild(session, std::move(next), notes);
  if (!outcome.ok()) return outcome;
  // A file is linked as a program is: definitions that use names nothing
  // defines are dropped, unless something typed needs them.
  std::vector<std::string> leftOut;
  for (const std::string& name : session.sources.back().names)
    if (findDefinition(name) == nullptr) leftOut.push_back(name);
  if (!leftOut.empty())
    notes.push_back("Left out of " + path + ", as they use names that nothing defines: " +
                    joined(leftOut) + ".");
  return outcome;
}

Answer evaluateExpression(Session& session, std::string_view expression) {
  Answer answer;
  NodeRef main = failureValue();
  answer.outcome = defineAtRunTime(expression, main, Definer::road);
  if (!answer.outcome.ok()) return answer;
  clearInterrupt();
  watchInterrupts(true);
  NodeRef value = evaluate(std::move(main));
  watchInterrupts(false);
  restoreConstantsBeingComputed(session);
  if (interruptRequested()) {
    clearInterrupt();
    answer.interrupted = true;
    return answer;
  }
  if (isFailureRecord(value.get())) {
    answer.outcome = readFailureRecord(value.arg().text());
    return answer;
  }
  answer.value = std::move(value);
  return answer;
}

}  // namespace quorl
