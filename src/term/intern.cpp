// The intern set: one stored Node for every structure interned.
//
// Members are kept in a hash table keyed by a structural hash, so that
// looking a term up does not walk it again and again: the parts of a term
// are interned first, and an application is then found by the identity of
// its interned parts.
#include <unordered_map>
#include <vector>

#include "term/tables.hpp"

namespace quorl {

namespace {

struct InternTable {
  std::unordered_map<const Node*, uint64_t> hashOfMember;
  std::unordered_multimap<uint64_t, Node*> membersByHash;
};

InternTable& table() {
  static InternTable* t = new InternTable();
  return *t;
}

uint64_t hashText(std::string_view text) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : text) h = (h ^ c) * 0x100000001b3ull;
  return h;
}

uint64_t hashPair(uint64_t f, uint64_t x) {
  uint64_t h = f * 0x9E3779B97F4A7C15ull;
  h ^= x + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
  return h;
}

void insertMember(Node* n, uint64_t hash) {
  acquire(n);
  table().hashOfMember.emplace(n, hash);
  table().membersByHash.emplace(hash, n);
}

bool partsAre(const Node* candidate, const Node* f, const Node* x) {
  return isApplication(candidate) && functionOf(candidate) == f && argumentOf(candidate) == x;
}

// A stored member equal to the application of the interned parts f and x.
// Members whose parts are members themselves are equal exactly when their
// parts are the same Nodes; only a member whose parts have since been
// dropped from the set needs a structural comparison.
Node* findApplication(uint64_t hash, Node* f, Node* x, const Node* original) {
  auto [begin, end] = table().membersByHash.equal_range(hash);
  for (auto it = begin; it != end; ++it) {
    Node* candidate = it->second;
    if (partsAre(candidate, f, x)) return candidate;
    if (isLeaf(candidate)) continue;
    if (isInterned(functionOf(candidate)) && isInterned(argumentOf(candidate))) continue;
    if (compareTerms(candidate, original) == 0) return candidate;
  }
  return nullptr;
}

Node* findLeaf(uint64_t hash, const Node* leafNode) {
  auto [begin, end] = table().membersByHash.equal_range(hash);
  for (auto it = begin; it != end; ++it)
    if (isLeaf(it->second) && compareTerms(it->second, leafNode) == 0) return it->second;
  return nullptr;
}

}  // namespace

bool isInterned(const Node* n) { return table().hashOfMember.count(n) != 0; }

size_t internedCount() { return table().hashOfMember.size(); }

std::vector<NodeRef> internedTerms() {
  std::vector<NodeRef> terms;
  for (const auto& [node, hash] : table().hashOfMember) terms.emplace_back(const_cast<Node*>(node));
  return terms;
}

NodeRef intern(const NodeRef& term) {
  InternTable& t = table();
  struct Frame {
    Node* node;
    bool partsDone;
  };
  std::vector<Frame> work{{term.get(), false}};
  std::vector<Node*> results;  // members, kept alive by the set
  while (!work.empty()) {
    Frame frame = work.back();
    work.pop_back();
    Node* n = frame.node;
    if (!frame.partsDone) {
      if (isInterned(n)) {
        results.push_back(n);
      } else if (isLeaf(n)) {
        uint64_t hash = hashText(NodeRef(n).text());
        Node* found = findLeaf(hash, n);
        if (found == nullptr) insertMember(found = n, hash);
        results.push_back(found);
      } else {
        work.push_back({n, true});
        work.push_back({argumentOf(n), false});
        work.push_back({functionOf(n), false});
      }
      continue;
    }
    Node* x = results.back();
    results.pop_back();
    Node* f = results.back();
    results.pop_back();
    uint64_t hash = hashPair(t.hashOfMember.at(f), t.hashOfMember.at(x));
    Node* found = findApplication(hash, f, x, n);
    if (found == nullptr) {
      found = partsAre(n, f, x) ? n : newApplication(f, x);
      insertMember(found, hash);
    }
    results.push_back(found);
  }
  return NodeRef(results.back());
}

void dropNonValuesFromInternSet() {
  InternTable& t = table();
  std::vector<Node*> dropped;
  for (const auto& [node, hash] : t.hashOfMember)
    if (!isValue(const_cast<Node*>(node))) dropped.push_back(const_cast<Node*>(node));
  for (Node* n : dropped) {
    uint64_t hash = t.hashOfMember.at(n);
    t.hashOfMember.erase(n);
    auto [begin, end] = t.membersByHash.equal_range(hash);
    for (auto it = begin; it != end; ++it)
      if (it->second == n) {
        t.membersByHash.erase(it);
        break;
      }
  }
  for (Node* n : dropped) release(n);
}

void clearInternSet() {
  InternTable& t = table();
  std::vector<Node*> members;
  for (const auto& [node, hash] : t.hashOfMember) members.push_back(const_cast<Node*>(node));
  t.hashOfMember.clear();
  t.membersByHash.clear();
  for (Node* n : members) release(n);
}

}  // namespace quorl
