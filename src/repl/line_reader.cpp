// Reading the lines of what is typed at the prompt.
#include "repl/line_reader.hpp"

#include <histedit.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "eval/interrupt.hpp"

namespace quorl {

namespace {

constexpr const char* kPrompt = "quorl> ";
constexpr const char* kContinuationPrompt = "   ... ";
constexpr int kHistoryEntries = 1000;

}  // namespace

struct LineReader {
  EditLine* editor = nullptr;
  History* history = nullptr;
  std::string historyFile;
  const char* prompt = kPrompt;
  std::mbstate_t keyState{};  // a character typed as several bytes, part read
};

namespace {

char* promptOf(EditLine* editor) {
  void* data = nullptr;
  el_get(editor, EL_CLIENTDATA, &data);
  return const_cast<char*>(static_cast<LineReader*>(data)->prompt);
}

// How often a wait for a key looks at a Ctrl-C request.  The request may
// come just before the wait begins (a key typed before the editor takes the
// terminal), when no read is there to be cut short by the signal.
constexpr int kKeyPollMilliseconds = 50;

// The editor's source of keys: a character from standard input, or -1 with
// EINTR as soon as Ctrl-C was asked for, whenever it was pressed.
int readKey(EditLine* editor, wchar_t* key) {
  void* data = nullptr;
  el_get(editor, EL_CLIENTDATA, &data);
  std::mbstate_t& state = static_cast<LineReader*>(data)->keyState;
  for (;;) {
    if (interruptRequested()) {
      state = std::mbstate_t{};
      errno = EINTR;
      return -1;
    }
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = poll(&input, 1, kKeyPollMilliseconds);
    if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
    char byte;
    ssize_t got = ready < 0 ? -1 : read(STDIN_FILENO, &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return static_cast<int>(got);
    wchar_t wide;
    size_t used = std::mbrtowc(&wide, &byte, 1, &state);
    if (used == static_cast<size_t>(-2)) continue;  // more bytes of one character
    if (used == static_cast<size_t>(-1)) {
      state = std::mbstate_t{};
      wide = static_cast<unsigned char>(byte);
    }
    *key = wide;
    return 1;
  }
}

void openEditor(LineReader& reader) {
  reader.editor = el_init("quorl", stdin, stdout, stderr);
  if (reader.editor == nullptr) return;
  el_set(reader.editor, EL_CLIENTDATA, &reader);
  el_set(reader.editor, EL_PROMPT, promptOf);
  el_set(reader.editor, EL_EDITOR, "emacs");
  // The terminal is put back as it was before a signal stops or ends quorl,
  // and the line is redrawn when the window changes size.
  el_set(reader.editor, EL_SIGNAL, 1);
  el_set(reader.editor, EL_GETCFN, readKey);
  reader.history = history_init();
  if (reader.history != nullptr) {
    HistEvent event;
    history(reader.history, &event, H_SETSIZE, kHistoryEntries);
    history(reader.history, &event, H_SETUNIQUE, 1);
    if (!reader.historyFile.empty()) history(reader.history, &event, H_LOAD, reader.historyFile.c_str());
    el_set(reader.editor, EL_HIST, history, reader.history);
  }
  // The user's own key bindings, from ~/.editrc.
  el_source(reader.editor, nullptr);
}

void chopNewline(std::string& line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
}

LineRead readPlainLine(std::string& line) {
  char* buffer = nullptr;
  size_t capacity = 0;
  ssize_t length = getline(&buffer, &capacity, stdin);
  if (length < 0) {
    std::free(buffer);
    return LineRead::end;
  }
  line.assign(buffer, static_cast<size_t>(length));
  std::free(buffer);
  chopNewline(line);
  return LineRead::line;
}

}  // namespace

void LineReaderDeleter::operator()(LineReader* reader) const {
  if (reader->history != nullptr) history_end(reader->history);
  if (reader->editor != nullptr) el_end(reader->editor);
  delete reader;
}

std::string historyPath() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home == nullptr || *home == '\0') return {};
  std::string path = home;
  if (path.back() != '/') path += '/';
  return path + ".quorl_history";
}

LineReaderHandle openLineReader(bool terminal, const std::string& history) {
  LineReaderHandle reader(new LineReader);
  reader->historyFile = history;
  if (terminal) openEditor(*reader);
  return reader;
}

LineRead readLine(LineReader& reader, bool continuing, std::string& line) {
  if (reader.editor == nullptr) return readPlainLine(line);
  reader.prompt = continuing ? kContinuationPrompt : kPrompt;
  std::fflush(stdout);
  int count = 0;
  errno = 0;
  const char* text = el_gets(reader.editor, &count);
  if (text == nullptr) {
    // Ctrl-C interrupts the read: the line is dropped and a fresh prompt follows.
    if (count < 0 && errno == EINTR) return LineRead::interrupted;
    return LineRead::end;
  }
  line.assign(text, static_cast<size_t>(count));
  chopNewline(line);
  return LineRead::line;
}

void rememberLine(LineReader& reader, std::string_view line) {
  if (reader.history == nullptr || line.find_first_not_of(' ') == std::string_view::npos) return;
  HistEvent event;
  std::string entry(line);
  history(reader.history, &event, H_ENTER, entry.c_str());
  if (reader.historyFile.empty()) return;
  // The history holds what was typed: it is the user's alone.
  mode_t previous = umask(077);
  history(reader.history, &event, H_SAVE, reader.historyFile.c_str());
  umask(previous);
}

}  // namespace quorl
