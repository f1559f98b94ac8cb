// The command line and the sequence of stages.
#include "driver/driver.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "builtins/clib_streams.hpp"
#include "compile/compile.hpp"
#include "driver/check.hpp"
#include "driver/large_stack.hpp"
#include "driver/limits.hpp"
#include "driver/outcome.hpp"
#include "driver/source_file.hpp"
#include "eval/run.hpp"
#include "eval/why.hpp"
#include "front/prelude.hpp"
#include "repl/repl.hpp"
#include "term/tables.hpp"

namespace quorl {

namespace {

// A process status carries only its low 8 bits to the parent, so every
// reported failure uses a status that survives that cut and is never 0.
constexpr int kReportedFailureStatus = 1;
constexpr int kUsageStatus = 1;

void writeText(FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

#ifndef QUORL_VERSION
#define QUORL_VERSION "unknown"
#endif

#ifndef QUORL_DOCS_FROM_BINARY
#define QUORL_DOCS_FROM_BINARY "../share/doc/quorl"
#endif

bool isFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Where the docs are, ending in '/': installed beside the interpreter, or
// else docs/ of the sources it was built from.
std::string docsFolder() {
  char self[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string binary(self, static_cast<size_t>(length));
    std::string installed = binary.substr(0, binary.rfind('/') + 1) + QUORL_DOCS_FROM_BINARY;
    if (char* resolved = ::realpath(installed.c_str(), nullptr)) {
      std::string folder = std::string(resolved) + "/";
      std::free(resolved);
      if (isFile(folder + "language.md")) return folder;
    }
  }
  return "docs/";
}

int printHelp() {
  std::string docs = docsFolder();
  writeText(stdout,
            "usage: quorl FILE [ARGS...]\n"
            "       quorl --why FILE [ARGS...]\n"
            "       quorl --repl [FILE]\n"
            "       quorl --help | --version\n"
            "\n"
            "Runs the program in FILE.  Its main expression is applied to the address of\n"
            "ARGS, a null-terminated array of C strings, and must reduce to an integer,\n"
            "whose low 32 bits become the exit status.  A program that cannot be read,\n"
            "compiled, checked or run is reported on standard error and exits with 1.\n"
            "(A program file named --help or --version is run as ./--help.)\n"
            "\n"
            "  --why      run FILE as ever, then tell on standard error where values\n"
            "             became Z: the first builtin calls that answered Z, with their\n"
            "             arguments and the functions pending, and any failure record\n"
            "  --repl     a prompt: type expressions to see their values and definitions\n"
            "             to add them, after FILE's definitions if given; :help there\n"
            "  --help     show this text\n"
            "  --version  show the version\n"
            "\n"
            "Position codes in an error box, such as [____l]: quorl-where FILE CODE.\n");
  writeText(stdout, "The language: " + docs + "language.md; recipes: " + docs + "cookbook.md;\n" +
                        "the builtins: " + docs + "builtins.md; man quorl.\n");
  return 0;
}

int printVersion() {
  writeText(stdout, "quorl " QUORL_VERSION "\n");
  return 0;
}

int printUsage() {
  writeText(stderr,
            "\\/\\oh usage     /\\   /  \\\n"
            "/\\uck_______/\\_/  \\_/    \\_\n"
            "<say>quorl file args...\n");
  return kUsageStatus;
}

// Brackets, DEL, control and non-ASCII bytes become "[XX]" so that the
// path shows unambiguously on one line.
std::string escapedPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (char c : path) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte == '[' || byte == ']' || byte == 0x7F || byte < 0x20 || byte >= 0x80) {
      shown += '[';
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
      shown += ']';
    } else {
      shown += c;
    }
  }
  return shown;
}

int reportUnreadable(const char* path) {
  writeText(stdout, "Error.\n");
  std::fflush(stdout);
  std::string block = " Type: Start\n Name: \"";
  block += escapedPath(path);
  block += "\"\nCould not read program file.\n\\/\n";
  writeText(stderr, block);
  return kReportedFailureStatus;
}

// With a standard descriptor closed, the next file the program opens would
// take its number, and what goes to that stream would land in the file.
void openMissingStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one.
    int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
}

// At the end of every run, however it ends through exit: what the program
// printed must have reached standard output, or the run says it did not and
// fails.  A full disk would otherwise lose the output of a run that reports
// success.
void checkStandardOutput() {
  if (!isOpenStream(stdout)) return;  // the program closed it itself
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return;
  int error = errno;
  std::string line = "Output error: standard output did not take everything the run printed";
  if (error != 0) line += std::string(" (") + std::strerror(error) + ")";
  line += ".\n";
  writeText(stderr, line);
  std::fflush(nullptr);
  std::_Exit(kReportedFailureStatus);
}

int reportFailure(RunOutcome outcome) {
  writeText(stderr, "\033[m");
  writeText(stderr, errorDisplay(std::move(outcome)));
  return kReportedFailureStatus;
}

struct StageResult {
  RunOutcome outcome;
  int64_t value = 0;
};

// Compiles the Prelude and the program, runs it and fetches its integer.
// Stops at the first stage whose outcome is not a success.
StageResult runStages(std::string_view programText, char** programArguments) {
  StageResult result;
  compilePrelude();
  result.outcome = compileProgram(programText);
  if (!result.outcome.ok()) return result;
  result.outcome = run(programArguments);
  if (!result.outcome.ok()) return result;
  const NodeRef* value = findDefinition("");
  if (!value) checkFailure(kDriverModule, 4289);
  result.value = resultInteger(*value);
  return result;
}

}  // namespace

int driverMain(int argc, char** argv) {
  openMissingStandardDescriptors();
  installLimitHandlers();
  static bool checking = false;
  if (!checking) checking = std::atexit(checkStandardOutput) == 0;
  if (argc == 0) checkFailure(kDriverModule, 57);
  if (argc == 1) return printUsage();
  std::string_view first = argv[1];
  if (first == "--help") return printHelp();
  if (first == "--version") return printVersion();
  if (first == "--repl") return replMain(argc - 2, argv + 2);
  // --why FILE ARGS... runs FILE as ever and then tells where its failures began.
  bool why = first == "--why";
  if (why) {
    argc--;
    argv++;
    if (argc == 1) return printUsage();
  }

  const char* path = argv[1];
  std::string programText;
  if (!readWholeFile(path, programText)) return reportUnreadable(path);
  if (why) watchWhy(path, programText);

  StageResult result;
  // argv is null-terminated, so argv + 2 is the program's own argument list.
  runWithLargeStack([&] { runWithinLimits([&] { result = runStages(programText, argv + 2); }); });

  int status;
  if (!result.outcome.ok()) {
    status = reportFailure(std::move(result.outcome));
  } else {
    // Only the low 32 bits of the program's integer become the status.
    status = static_cast<int32_t>(static_cast<uint32_t>(result.value));
  }
  // Standard output is flushed and checked at exit (checkStandardOutput).
  return status;
}

}  // namespace quorl
