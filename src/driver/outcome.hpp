// RunOutcome: what every stage reports, and its display as an error box.
#pragma once

#include <string>
#include <string_view>

namespace quorl {

struct RunOutcome {
  std::string message;
  std::string status = "check";
  std::string vip;
  std::string tip;
  std::string way;

  RunOutcome() = default;
  RunOutcome(RunOutcome&& other) noexcept;
  RunOutcome& operator=(RunOutcome&& other) noexcept;
  RunOutcome(const RunOutcome&) = delete;
  RunOutcome& operator=(const RunOutcome&) = delete;

  bool ok() const { return status == "check"; }
};

// Builds a failed outcome in one expression.
RunOutcome failure(std::string status, std::string message, std::string vip = {},
                   std::string tip = {}, std::string way = {});

// The box text printed for a failed outcome.
std::string errorDisplay(RunOutcome outcome);

// Shows every byte as a readable glyph with colour changes.
std::string displayMapping(std::string_view text);

}  // namespace quorl
