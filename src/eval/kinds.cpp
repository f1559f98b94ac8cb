// Value kinds.  Values carry no tags: a kind is read off the shape of the
// term, and `type` shows it to programs as a quoted text.
#include "eval/kinds.hpp"

#include "term/tables.hpp"

namespace quorl {

namespace {

bool leafStartsWith(const Node* n, char c) { return isLeaf(n) && leafChars(n)[0] == c; }

// A list cell ((J first) rest): the kind of a number held as a list is its
// first bit.
char kindOfListCell(const Node* n) {
  const Node* g = functionOf(n);
  if (isLeaf(g) || !leafStartsWith(functionOf(g), 'J')) return 'w';
  const Node* first = argumentOf(g);
  if (leafStartsWith(first, 'H')) return 'o';
  if (leafStartsWith(first, 'K')) return 'i';
  return 'w';
}

const char* kindName(char kind) {
  switch (kind) {
    case 'e': return "[real]";
    case 'a': return "[post]";
    case 'u': return "[zits]";
    case 'i': return "[hint]";
    case 'o': return "[numb]";
    default: return "[void]";
  }
}

}  // namespace

char kindOf(const NodeRef& value) {
  Node* x = value.get();
  if (leafStartsWith(x, ' ')) return 'e';
  if (leafStartsWith(x, '(')) return 'a';
  annotate(x);
  if (isConstantAnnotated(x)) return 'u';
  if (isApplication(x)) return kindOfListCell(x);
  const char* text = leafChars(x);
  if (text[0] >= '0' && text[0] <= '9') return (text[0] == '0' && text[1] == '0') ? 'o' : 'i';
  return 'w';
}

NodeRef typeBuiltin(NodeRef redex) {
  char kind = kindOf(redex.arg());
  // Interned, so every answer of one kind is the same Node.
  return intern(leaf(kindName(kind)));
}

}  // namespace quorl
