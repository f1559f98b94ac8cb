// Reading the lines of what is typed at the prompt.
//
// From a terminal, through libedit: a prompt, line editing, and a history
// kept from run to run in the user's home folder.  From anything else
// (a pipe, a file), plainly, line by line, without a prompt, so that a
// session can be scripted.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorl {

struct LineReader;

struct LineReaderDeleter {
  void operator()(LineReader* reader) const;
};
using LineReaderHandle = std::unique_ptr<LineReader, LineReaderDeleter>;

// The history file: ~/.quorl_history, or none when there is no home folder.
std::string historyPath();

// `terminal`: standard input is a terminal, and lines are edited.  An
// empty `history` keeps no history.
LineReaderHandle openLineReader(bool terminal, const std::string& history);

enum class LineRead { line, interrupted, end };

// Reads one line, without its newline.  `continuing`: the line goes on an
// entry begun on an earlier line (the prompt says so).  `interrupted` when
// Ctrl-C was typed, `end` at the end of the input (Ctrl-D).
LineRead readLine(LineReader& reader, bool continuing, std::string& line);

// Adds a line to the history and saves the history at once, so that a
// session that ends abruptly (a program calling exit) loses none of it.
void rememberLine(LineReader& reader, std::string_view line);

}  // namespace quorl
