// The table of closure terms and its upkeep as terms die.
#include "eval/closure_terms.hpp"

#include <unordered_map>
#include <vector>

namespace quorl {

namespace {

struct Origin {
  const Code* code;
  Bindings* bindings;  // holds a count
};

struct ClosureTerms {
  std::unordered_map<const Node*, Origin> origins;
  // Bindings of terms that died, released once the freeing is over: a
  // release can free more terms, so it must not happen inside the freeing.
  std::vector<Bindings*> orphans;
  bool settling = false;
};

// Made on first need and never torn down.
constinit ClosureTerms* theTerms = nullptr;

void termDied(Node* term) {
  auto found = theTerms->origins.find(term);
  if (found == theTerms->origins.end()) return;
  theTerms->orphans.push_back(found->second.bindings);
  theTerms->origins.erase(found);
  lambdaFormWatch.watched = theTerms->origins.size();
  lambdaFormWatch.unsettled = true;
}

// Releases the orphaned bindings; freeing inside adds more, which the
// outermost call releases in turn, so the stack stays flat however long
// a chain of closures dies.
void settle() {
  ClosureTerms& t = *theTerms;
  if (t.settling) return;
  t.settling = true;
  while (!t.orphans.empty()) {
    Bindings* b = t.orphans.back();
    t.orphans.pop_back();
    releaseBindings(b);
  }
  t.settling = false;
}

}  // namespace

void rememberClosureTerm(Node* term, const Code* code, Bindings* bindings) {
  if (theTerms == nullptr) {
    theTerms = new ClosureTerms();
    lambdaFormWatch.died = termDied;
    lambdaFormWatch.settle = settle;
  }
  acquireBindings(bindings);
  // A term is built once per closure: a second entry would be a cell
  // reused without its death being seen.
  bool added = theTerms->origins.try_emplace(term, Origin{code, bindings}).second;
  QUORL_CHECK(added, 3342);
  lambdaFormWatch.watched = theTerms->origins.size();
}

const Code* codeOfLambdaTerm(Node* lambda, Bindings*& bindings) {
  if (lambdaFormWatch.watched != 0) {
    auto found = theTerms->origins.find(lambda);
    if (found != theTerms->origins.end()) {
      const Code* code = found->second.code;
      // The term shares its code's (\ v), as substitution shares it.
      QUORL_CHECK(functionOf(lambda) == functionOf(code->term), 3343);
      bindings = found->second.bindings;
      return code;
    }
  }
  bindings = nullptr;
  return lambdaCodeOf(lambda);
}

void forgetClosureTerms() {
  if (theTerms == nullptr) return;
  for (auto& [term, origin] : theTerms->origins) theTerms->orphans.push_back(origin.bindings);
  theTerms->origins.clear();
  lambdaFormWatch.watched = 0;
  settle();
}

}  // namespace quorl
