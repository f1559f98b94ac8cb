// The Prelude: the combinators A..Z and the operator characters.
#pragma once

#include <string_view>

namespace quorl {

extern const std::string_view kPreludeText;
void compilePrelude();

}  // namespace quorl
