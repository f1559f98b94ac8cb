// How the prompt shows a value.
#pragma once

#include <string>
#include <string_view>

#include "term/node.hpp"

namespace quorl {

// One line, without its newline: an integer in decimal (with a minus sign
// when negative), a quoted text as it is written in source, a byte block as
// its bytes with the non-printing ones escaped, a real as %e, anything else
// (K, H, Z, functions, lists) as its term text, clipped.
std::string shownValue(const NodeRef& value);

// Bytes as they read on one line: printable ASCII as it is, a backslash as
// \\, newline, tab and carriage return as \n, \t and \r, every other byte
// as \xHH.
std::string escapedBytes(std::string_view bytes);

}  // namespace quorl
