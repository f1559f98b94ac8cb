// The builtin table: every builtin's name, arity and handler.
#pragma once

#include <string_view>

#include "term/tables.hpp"

namespace quorl {

// The 221 rows, filled on first use (again after a reset).
const BuiltinMap& builtinTable();
const BuiltinEntry* findBuiltin(std::string_view name);

}  // namespace quorl
