// The interactive prompt: `quorl --repl [FILE]`.
#include "repl/repl.hpp"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "driver/large_stack.hpp"
#include "driver/limits.hpp"
#include "driver/outcome.hpp"
#include "eval/interrupt.hpp"
#include "front/brackets.hpp"
#include "repl/entry.hpp"
#include "repl/line_reader.hpp"
#include "repl/session.hpp"
#include "repl/show.hpp"

namespace quorl {

namespace {

constexpr int kUsageStatus = 1;

constexpr std::string_view kHelp =
    "Type an expression to see its value, or a definition, name\\p\\body, to add it\n"
    "or to replace one of the same name.  An entry goes on on the next line while\n"
    "a bracket is open.  A definition replaces the earlier one everywhere, and\n"
    "constants are computed afresh after it.\n"
    "\n"
    "  :load FILE  add the definitions of FILE (again, after it changed)\n"
    "  :help       show this text\n"
    "  :quit       leave (so does Ctrl-D)\n"
    "\n"
    "Ctrl-C stops an evaluation, or clears the line being typed.  The history is\n"
    "kept in ~/.quorl_history.\n";

void write(FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

void reportOutcome(RunOutcome outcome) {
  std::fflush(stdout);
  write(stderr, "\033[m");
  write(stderr, errorDisplay(std::move(outcome)));
}

void reportNotes(const Notes& notes) {
  std::fflush(stdout);
  for (const std::string& note : notes) {
    write(stderr, note);
    write(stderr, "\n");
  }
}

void onInterrupt(int) { requestInterrupt(); }

// Ctrl-C interrupts what runs (an evaluation, a builtin waiting for input,
// a read at the prompt) instead of ending quorl.  No SA_RESTART: a call
// waiting for input gives up at once.
void catchInterrupts() {
  struct sigaction action{};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
}

void setInterruptsBlocked(bool blocked) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

struct Prompt {
  Session session;
  bool failed = false;  // some entry was reported as a failure
};

// An outcome that failed is shown as its box; the notes come first.
bool succeeded(Prompt& prompt, RunOutcome outcome, const Notes& notes) {
  reportNotes(notes);
  if (outcome.ok()) return true;
  prompt.failed = true;
  reportOutcome(std::move(outcome));
  return false;
}

void load(Prompt& prompt, const std::string& path) {
  Notes notes;
  RunOutcome outcome = loadFile(prompt.session, path, notes);
  succeeded(prompt, std::move(outcome), notes);
}

void evaluate(Prompt& prompt, std::string_view expression) {
  Answer answer = evaluateExpression(prompt.session, expression);
  if (answer.interrupted) {
    std::fflush(stdout);
    // After the ^C the terminal shows.
    write(stderr, "\nInterrupted.\n");
    return;
  }
  if (!succeeded(prompt, std::move(answer.outcome), {})) return;
  std::string shown = shownValue(*answer.value);
  shown += '\n';
  write(stdout, shown);
  std::fflush(stdout);
}

void enter(Prompt& prompt, std::string_view text) {
  std::string_view entry = trimmed(text);
  if (entry.empty()) return;
  RunOutcome checked;
  int64_t position = 0;
  if (!checkBrackets(entry, checked, position)) {
    succeeded(prompt, std::move(checked), {});
    return;
  }
  EntryParts parts = partsOf(entry);
  if (parts.defines) {
    Notes notes;
    RunOutcome outcome = defineFromPrompt(prompt.session, entry, notes);
    if (!succeeded(prompt, std::move(outcome), notes)) return;
  }
  if (!parts.expression.empty()) evaluate(prompt, parts.expression);
}

enum class Command { none, quit };

// A line beginning with ':' is a command.
Command command(Prompt& prompt, std::string_view line) {
  std::string_view word = line.substr(0, line.find(' '));
  std::string_view rest = trimmed(line.substr(word.size()));
  if (word == ":quit" || word == ":q") return Command::quit;
  if (word == ":help" || word == ":h") {
    write(stdout, kHelp);
  } else if (word == ":load" || word == ":l") {
    if (rest.empty()) {
      write(stderr, ":load needs a file: :load FILE\n");
      prompt.failed = true;
    } else {
      load(prompt, std::string(rest));
    }
  } else {
    std::fflush(stdout);
    write(stderr, "Unknown command " + std::string(word) + "; :help lists the commands.\n");
    prompt.failed = true;
  }
  std::fflush(stdout);
  return Command::none;
}

int converse(const char* file, bool terminal) {
  if (terminal) {
    catchInterrupts();
    setInterruptsBlocked(false);
  }
  Prompt prompt;
  startSession(prompt.session);
  if (terminal)
    write(stdout, "quorl: type an expression or a definition; :help for more, Ctrl-D to leave.\n");
  if (file != nullptr) load(prompt, file);
  LineReaderHandle reader = openLineReader(terminal, terminal ? historyPath() : std::string());
  std::string entry;
  for (;;) {
    std::string line;
    clearInterrupt();
    LineRead read = readLine(*reader, !entry.empty(), line);
    if (read == LineRead::interrupted) {
      entry.clear();
      write(stdout, "\n");
      continue;
    }
    if (read == LineRead::end) {
      // An entry cut off by the end of the input is still checked, and its
      // open bracket reported.
      if (!entry.empty()) enter(prompt, entry);
      if (terminal) write(stdout, "\n");
      break;
    }
    rememberLine(*reader, line);
    if (entry.empty() && trimmed(line).substr(0, 1) == ":") {
      if (command(prompt, trimmed(line)) == Command::quit) break;
      continue;
    }
    entry += entry.empty() ? line : "\n" + line;
    if (leavesBracketOpen(entry)) continue;
    enter(prompt, entry);
    entry.clear();
  }
  std::fflush(stdout);
  // A script learns from the status whether everything in it went through.
  return !terminal && prompt.failed ? 1 : 0;
}

}  // namespace

int replMain(int argc, char** argv) {
  if (argc > 1) {
    write(stderr, "usage: quorl --repl [FILE]\n");
    return kUsageStatus;
  }
  const char* file = argc == 1 ? argv[0] : nullptr;
  bool terminal = isatty(STDIN_FILENO) == 1;
  // Ctrl-C must reach the thread that evaluates, where it interrupts a call
  // waiting for input; this one only waits for it.
  if (terminal) setInterruptsBlocked(true);
  int status = 0;
  runWithLargeStack([&] { runWithinLimits([&] { status = converse(file, terminal); }); });
  return status;
}

}  // namespace quorl
