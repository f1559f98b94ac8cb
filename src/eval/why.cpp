// `quorl --why`: where the failures of a run began.
//
// Everything a report says is rendered when it is noted, while the run's
// tables are alive; the account written at exit is plain text.
#include "eval/why.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "compile/compile.hpp"
#include "compile/rewrite.hpp"
#include "eval/failure_record.hpp"
#include "eval/machine.hpp"
#include "eval/run.hpp"
#include "front/chars.hpp"
#include "front/source_places.hpp"
#include "term/tables.hpp"

namespace quorl {

namespace why_detail {
bool watching = false;
}  // namespace why_detail

namespace {

constexpr int kMostOrigins = 5;
constexpr int kMostPending = 8;
constexpr size_t kPreviewBytes = 80;  // of a block or text, before clipping

// Which global function each node of the definitions belongs to: the
// index of its name, or kShared for a node that several share (the link
// shares identical parts), which then names no one.
constexpr int kShared = -1;

struct Owners {
  uint64_t generation = ~uint64_t{0};
  uint64_t epoch = ~uint64_t{0};
  std::vector<std::string> names;
  std::unordered_map<const Node*, int> ownerOf;
};

struct Why {
  std::string path;
  std::string text;
  std::vector<FrameStack*> stacks;  // innermost last
  Owners owners;
  bool placesRead = false;
  std::unordered_map<std::string, LineColumn> places;  // where each definition of the file starts
  int origins = 0;             // builtin calls that answered Z first
  std::string originReport;    // the first kMostOrigins of them
  std::string recordReport;    // the failure record that ended the run
};

Why* theWhy = nullptr;  // made by watchWhy and never freed: the report is written at exit

void writeReport() {
  const Why& why = *theWhy;
  std::string out;
  if (why.origins > 0) {
    out += "quorl --why: " + std::to_string(why.origins) +
           (why.origins == 1 ? " builtin call answered" : " builtin calls answered") +
           " Z though no argument of it was Z";
    if (why.origins > kMostOrigins) out += "; the first " + std::to_string(kMostOrigins);
    out += ":\n" + why.originReport;
  }
  out += why.recordReport;
  if (out.empty()) return;
  std::fflush(stdout);
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

void addOwners(Owners& owners, int index, const Node* root) {
  std::vector<const Node*> work{root};
  std::unordered_set<const Node*> seen;
  while (!work.empty()) {
    const Node* n = work.back();
    work.pop_back();
    if (!seen.insert(n).second) continue;
    auto [slot, fresh] = owners.ownerOf.emplace(n, index);
    if (!fresh && slot->second != index) slot->second = kShared;
    if (isApplication(n)) {
      work.push_back(functionOf(n));
      work.push_back(argumentOf(n));
    }
  }
}

Owners& currentOwners() {
  Owners& owners = theWhy->owners;
  if (owners.generation == definitionGeneration() && owners.epoch == tablesEpoch()) return owners;
  owners = Owners{};
  owners.generation = definitionGeneration();
  owners.epoch = tablesEpoch();
  for (const auto& [name, term] : definitionTable()) {
    if (name.empty() || term.get() == nullptr) continue;  // "" is the main expression
    owners.names.push_back(name);
    addOwners(owners, static_cast<int>(owners.names.size()) - 1, term.get());
  }
  return owners;
}

const std::string* ownerOf(const Node* n) {
  if (n == nullptr) return nullptr;
  Owners& owners = currentOwners();
  auto found = owners.ownerOf.find(n);
  if (found == owners.ownerOf.end() || found->second == kShared) return nullptr;
  return &owners.names[static_cast<size_t>(found->second)];
}

// The function a frame is pending in, or null when it does not tell;
// `site`: the part of it the frame waits in.
const std::string* ownerOfFrame(const Frame& f, std::string& constant, const Node*& site) {
  site = nullptr;
  switch (f.kind) {
    case FrameKind::Call:
    case FrameKind::Wing:
    case FrameKind::Lambda:
    case FrameKind::Tree:
      site = reinterpret_cast<const Code*>(f.bits)->term;
      return ownerOf(site);
    case FrameKind::Argument:
      site = f.bindings != nullptr ? reinterpret_cast<const Code*>(f.bits)->term
                                   : reinterpret_cast<const Node*>(f.bits);
      return ownerOf(site);
    case FrameKind::Memo:
      constant = leafChars(reinterpret_cast<const Node*>(f.bits));
      return &constant;
    case FrameKind::Function:
    case FrameKind::Held:
    case FrameKind::Fill:
      return nullptr;
  }
  return nullptr;
}

// The functions pending, innermost first.  Frames of one function in a
// row make one entry; when several of them wait at the same place, the
// function is recursing, and the most that wait at one place is the depth
// of the recursion.
struct Pending {
  struct Entry {
    std::string name;
    std::unordered_map<const Node*, int64_t> waiting;  // frames at each place
    int64_t recursion = 1;
  };
  std::vector<Entry> entries;
  bool more = false;  // the list was cut

  void add(const std::string& name, const Node* site) {
    if (entries.empty() || entries.back().name != name) {
      if (entries.size() == kMostPending) {
        more = true;
        return;
      }
      entries.push_back(Entry{name, {}, 1});
    }
    Entry& entry = entries.back();
    if (site != nullptr) entry.recursion = std::max(entry.recursion, ++entry.waiting[site]);
  }
};

// `innermost`: the function of the call, when it is known from elsewhere.
Pending pendingAt(const Code* at, const std::string& innermost) {
  Pending pending;
  if (!innermost.empty()) pending.add(innermost, nullptr);
  if (at != nullptr)
    if (const std::string* name = ownerOf(at->term)) pending.add(*name, nullptr);
  std::string constant;
  const Node* site;
  for (auto stack = theWhy->stacks.rbegin(); stack != theWhy->stacks.rend() && !pending.more; ++stack) {
    FrameStack& frames = **stack;
    for (size_t i = 0; i < frames.size() && !pending.more; i++)
      if (const std::string* name = ownerOfFrame(frames.below(i), constant, site)) pending.add(*name, site);
  }
  return pending;
}

void readPlaces(Why& why) {
  why.placesRead = true;
  std::string normal = normaliseSource(why.text);
  for (const DefinitionPiece& piece : cutSource(why.text).definitions) {
    std::optional<int64_t> offset = decodePosition(piece.at);
    if (!offset) continue;
    // A later definition of a name replaces an earlier one.
    why.places[piece.key] = lineColumnOf(why.text, rawOffsetOfNormalised(why.text, normal, *offset));
  }
}

// "pending: f (3 times), main" and where the innermost one of the file starts.
std::string pendingText(const Code* at, const std::string& innermost = {}) {
  Pending pending = pendingAt(at, innermost);
  if (pending.entries.empty()) return "   pending: no global function known\n";
  std::string out = "   pending: ";
  for (size_t i = 0; i < pending.entries.size(); i++) {
    const Pending::Entry& entry = pending.entries[i];
    out += (i == 0 ? "" : ", ") + shortName(entry.name);
    if (entry.recursion > 1) out += " (" + std::to_string(entry.recursion) + " recursive calls pending)";
  }
  if (pending.more) out += ", ...";
  out += "\n";
  if (!theWhy->placesRead) readPlaces(*theWhy);
  for (const Pending::Entry& entry : pending.entries) {
    auto place = theWhy->places.find(entry.name);
    if (place == theWhy->places.end()) continue;
    out += "   " + shortName(entry.name) + " starts at " + theWhy->path + ":" +
           std::to_string(place->second.line) + ":" + std::to_string(place->second.column) + "\n";
    break;
  }
  return out;
}

std::string builtinName(const BuiltinEntry& builtin) {
  for (const auto& [name, entry] : builtinStorage())
    if (&entry == &builtin) return name;
  return "a builtin";
}

bool isFailure(Value v) { return v.isNode() && isSingle(v.node(), 'Z'); }

// A block or a text: what a builtin may change in place.
bool changesInPlace(Value v) {
  if (!v.isNode() || !isLeaf(v.node())) return false;
  char first = leafChars(v.node())[0];
  return first == '(' || first == '[';
}

// The text of a block or a text, from its first bytes only: a long one is
// clipped anyway.
std::string previewOf(const Node* n) {
  if (leafChars(n)[0] == '[') return std::string(std::string_view(leafChars(n), leafTextLength(n)).substr(0, kPreviewBytes));
  std::string out = "cape[";
  for (char c : byteBlockPayload(n).substr(0, kPreviewBytes)) {
    if (c == '\n') out += "[p]";
    else if (c == '[') out += "[q]";
    else if (c == ']') out += "[r]";
    else out += c;
  }
  return out + "]";
}


void noteRecord(const std::string& by, const Node* record, const std::string& pending) {
  const Node* fields = argumentOf(record);
  if (!isLeaf(fields)) return;
  RunOutcome outcome = readFailureRecord(std::string_view(leafChars(fields), leafTextLength(fields)));
  theWhy->recordReport = "quorl --why: " + by + " raised a failure record [" + outcome.status + "]: " +
                         outcome.message + "\n" + pending;
}

}  // namespace

void watchWhy(std::string path, std::string text) {
  theWhy = new Why{};
  theWhy->path = std::move(path);
  theWhy->text = std::move(text);
  why_detail::watching = true;
  std::atexit(writeReport);
}

void whyMachineStarts(FrameStack* stack) { theWhy->stacks.push_back(stack); }
void whyMachineEnds() { theWhy->stacks.pop_back(); }

WatchedCall::WatchedCall(const BuiltinEntry& builtin, const Value* args, int count, const Code* at)
    : builtin_(builtin), at_(at), noted_(theWhy->origins < kMostOrigins) {
  for (int i = 0; i < count; i++) keep(args[i]);
}

WatchedCall::WatchedCall(const BuiltinEntry& builtin, Node* redex, const Code* at)
    : builtin_(builtin), at_(at), noted_(theWhy->origins < kMostOrigins) {
  // A redex without code is a term being contracted: when it is a part of
  // a body, that body's function is the innermost one.  The handler may
  // free the redex, so its function is found now.
  if (at == nullptr && (noted_ || theWhy->recordReport.empty()))
    if (const std::string* name = ownerOf(redex)) innermost_ = *name;
  NodeSpine spine = splitSpine(redex);
  for (int i = 0; i < spine.count; i++) keep(Value::ofNode(spine.args[i]));
}

void WatchedCall::keep(Value argument) {
  if (count_ == kMaxArguments) return;
  int i = count_++;
  if (isFailure(argument)) {
    anyFailure_ = true;
    noted_ = false;
  }
  if (!noted_) return;
  if (changesInPlace(argument)) {
    texts_[i] = previewOf(argument.node());
    return;
  }
  acquireValue(argument);
  held_[i] = argument;
  isHeld_[i] = true;
}

WatchedCall::~WatchedCall() {
  for (int i = 0; i < count_; i++)
    if (isHeld_[i]) releaseValue(held_[i]);
}

void WatchedCall::answered(Value answer) {
  if (answer.isNode() && isFailureRecord(answer.node())) {
    recordRaised(answer.node());
    return;
  }
  if (!isFailure(answer) || anyFailure_) return;
  int noted = theWhy->origins++;
  if (!noted_ || noted >= kMostOrigins) return;
  std::string call = builtinName(builtin_) + "(";
  for (int i = 0; i < count_; i++) {
    std::string text = isHeld_[i] ? termText(NodeRef(termOf(held_[i]))) : texts_[i];
    call += (i == 0 ? "" : ", ") + clipBalanced(text);
  }
  call += ")";
  theWhy->originReport += std::to_string(noted + 1) + ". " + call + " answered Z\n" + pendingText(at_, innermost_);
}

void WatchedCall::recordRaised(const Node* record) {
  if (theWhy->recordReport.empty())
    noteRecord(builtinName(builtin_), record, pendingText(at_, innermost_));
}

void WatchedCall::answered(const Node* answer) { answered(Value::ofNode(const_cast<Node*>(answer))); }

NodeRef callWatched(const BuiltinEntry& builtin, Node* redex, const Code* at) {
  WatchedCall call(builtin, redex, at);
  NodeRef answer = builtin.handler(NodeRef::adopt(redex));
  call.answered(answer.get());
  return answer;
}

void whyCycleRaised(std::string_view constant, const Node* record) {
  if (theWhy->recordReport.empty())
    noteRecord("the engine, on the constant " + shortName(constant) + " that needs its own value,", record,
               pendingText(nullptr, std::string(constant)));
}

}  // namespace quorl
