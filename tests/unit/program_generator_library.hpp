// The fixed functions every random program is given after its own: list
// functions written the way programs write them, and for each kind of
// program the loops and helpers its expressions call (see
// program_generator.hpp).  They take no random draws, so a seed makes the
// same program whichever of them a run includes.
#pragma once

#include <string>

namespace quorl::testing {

inline std::string fixedFunctions(bool lambdas, bool reals, bool blocks, bool truths, bool numbers) {
  std::string text;
  // A constant that needs its own value, for the cycle report, and a few
  // list functions written the way programs write them.
  text += ",\nloopy\\I loopy";
  text += ",\nlen\\l\\l 0 (h\\t\\1+len t)";
  text += ",\nmapf\\f\\l\\l K (h\\t\\J (f h) (mapf f t))";
  text += ",\nupto\\n\\(n<1) K (J n (upto(n-1)))";
  text += ",\nhalves\\l\\l (V K K) (x\\r\\(halves r) (p\\q\\V (J x q) p))";
  text += ",\nparts\\v\\l\\l (V K K) (x\\r\\parts(v, r) (p\\q\\(x < v) (V (J x p) q) (V p (J x q))))";
  // Lists taken apart while new cells are built of their heads: onto an
  // accumulator, or in front of a tail computed first; pairs likewise.
  text += ",\nrevonto\\l\\f\\l f (h\\t\\revonto(t, J h f))";
  text += ",\ncat\\f\\b\\f b (h\\t\\J h (cat(t, b)))";
  text += ",\nkeepl\\l\\f\\l f (h\\t\\V (J h f) l)";
  // A match after a first choice, its empty case a parameter; a match
  // whose empty case is computed from a parameter.  Given lists or not.
  text += ",\ntakeor\\n\\l\\d\\(n < 1) K (l d (h\\t\\J h (takeor(n - 1, t, d))))";
  text += ",\nlastn\\l\\n\\l (n + 1) (h\\t\\lastn(t, h))";
  // Steps of permutations on lists: a first choice that picks a call of
  // another function or a match whose lambda calls itself with a cell of
  // an element and a parameter, a cell in front of a call of itself, and
  // a match that calls the one before; counts that run below zero miss
  // the choice.  A function given one list twice, and one that calls the
  // function it is given, with a value of that function's.
  text += ",\nflipn\\k\\l\\f\\(k = 0) (cat(f, l)) (l K (x\\r\\flipn(k - 1, r, J x f)))";
  text += ",\nins\\k\\l\\x\\(k = 0) (J x l) (l K (y\\r\\J y (ins(k - 1, r, x))))";
  text += ",\nrot\\k\\l\\l K (x\\r\\ins(k - 1, r, x))";
  text += ",\ndup\\l\\cat(l, l)";
  text += ",\napp2\\f\\l\\m\\f(f(l, m), m)";
  // A list built over several calls whose last tail is computed under it:
  // a function of the length given at the end, which may fail.
  text += ",\ncatend\\f\\e\\f (e 0) (h\\t\\J h (catend(t, n\\e(n + 1))))";
  // Pairs whose first part is the next call's value, in lists and not: a
  // tree built over several calls.
  text += ",\nnest\\n\\e\\(n<1) (e n) ((n % 2 = 0) (V (nest(n - 1, e)) n) (J n (V (nest(n - 1, e)) K)))";
  text += ",\nbump\\p\\p (x\\y\\V x (y + 1))";
  // A number written in the body and a call's value: a box the caller
  // still holds, answers past the machine word, a comparison, a division
  // that may fail.
  text += ",\nheld\\x\\x";
  text += ",\nwordcall\\n\\k\\wordpair(n, k * n + 1)";
  text += ",\nwordpair\\n\\w\\s{1 + held(w)}J s (J w (J (held(w) - 1) (J (3 < held(n)) (J (2 * held(n + w)) "
          "(J (9223372036854775807 - held(n)) (7 / held(n)))))))";
  // Each function of a list applied in turn, to what the one before gave.
  // Matches that leave a parameter unused, as a program's helpers do.
  if (lambdas) {
    text += ",\neach\\l\\x\\l x (f\\t\\each t (f x))";
    text += ",\nfirst\\l\\l 0 (h\\t\\h*2)";
    text += ",\ncount\\l\\l 0 (h\\t\\1+count t)";
    // A function whose value is a function, given its argument too, as
    // an operand of another call.
    text += ",\nscale\\n\\(n<1) I (x\\x*n)";
    text += ",\naddto\\x\\y\\x + y";
    // A function given as a value, called with operands as they stand,
    // and one such call inside arithmetic.
    text += ",\nhd\\l\\l 0 (h\\t\\h)";
    text += ",\ncalltwo\\f\\x\\y\\pairup(f x y, f(y, x + 1))";
    text += ",\npairup\\x\\y\\J x y";
    text += ",\nordered\\x\\y\\J y (x * 3)";
    text += ",\nordthree\\x\\y\\z\\J z (J x y)";
    // The sum around the call reads two letters, which wait for it.
    text += ",\nsumf\\f\\n\\a\\(n<1) a (sumf(f, n - 1, a - f(n, a) * n))";
  }
  if (reals) {
    // A pair of two values computed in full.
    text += ",\nrboth\\x\\y\\J x y";
    // Constants, and a loop whose numbers stay reals from step to step.
    text += ",\nhalf\\real[0.5]";
    text += ",\nrnan\\real(0)/real(0)";
    // Their answers to the last bit: a constant read again at each step
    // must be the number it was at the first.
    text += ",\nrloop\\x\\n\\(n<1) (lits x) (y{x*half + real(n)}rloop(y - y*y*real[0.01], n-1))";
    // Every comparison of two operands and of trees over them, as values
    // and choosing a branch: equal operands are where they part.
    text += ",\nrcmp\\x\\y\\J (x<y) (J (x>y) (J (x=y) (J (x#y) (J ((x<y) 1 2) (J ((x>y) 3 4) "
            "(J ((x*y < y*x) 5 6) (J ((x+y > y+x) 7 8) ((x-y = y-x) 9 0))))))))";
    // Every operation of two operands and a tree over three, each answer
    // shown to its last bit (`lits`: a real's exact binary number).
    text += ",\nrops\\x\\y\\J (lits(x+y)) (J (lits(x-y)) (J (lits(x*y)) (J (lits(x/y)) (J (lits(x%y)) "
            "(J (lits(x^y)) (lits(real x)))))))";
    text += ",\nrtree\\x\\y\\z\\lits((x*y + z) / (x - z*y) % (y^x) - real(z))";
    // A loop whose comparison of reals chooses its branch, as escape-time
    // loops do.
    text += ",\nrbranch\\x\\y\\n\\(n<1) (lits(x+y)) ((x*x + y*y < real(4)) (rbranch(x*x - y*y + half, real(2)*x*y + y, n-1)) (J (lits x) y))";
    // Trees whose answers wait while others are computed, some two deep,
    // and sums over a list's elements and over a call's value, loops that
    // add at each step.
    text += ",\nrdeep\\x\\y\\z\\lits((x*y - z*x) * (y*z + x*x) / ((x - y) * (z - y)) - (x - (y - z)) * z)";
    text += ",\nrdot\\u\\v\\a\\u (lits a) (x\\us\\v (lits a) (y\\vs\\rdot(us, vs, a + x*y)))";
    // A sum over a list whose elements are of any kind: one tree met with
    // reals alone and with integers among its leaves in turn, around a
    // constant it reads at every step.
    text += ",\nrmixed\\u\\a\\u (lits a) (x\\us\\rmixed(us, a*half + x*half - x))";
    text += ",\nrtwo\\p\\q\\p*q - q";
    text += ",\nrcall\\f\\n\\a\\(n<1) (lits a) (rcall(f, n-1, a + f(a, half) * a))";
    // Functions whose bodies are trees of integer and real operations,
    // given as values to a loop that adds their answers at each step or
    // called in its sum by name, one through a function that only calls
    // it: integer divisions by zero, answers beyond the word, texts.
    text += ",\nrentry\\i\\j\\real(1) / real((i + j) * (i + j + 1) / 2 + i + 1)";
    text += ",\nrtrans\\i\\j\\rentry(j, i)";
    text += ",\nrquot\\i\\j\\real(i) / real(j) + i / (j - 1) + i * 3037000500 * j";
    text += ",\nrsumi\\f\\n\\k\\a\\(n<1) (lits a) (rsumi(f, n-1, k, a + f(n, k) * a))";
    text += ",\nrsumd\\n\\k\\a\\(n<1) (lits a) (rsumd(n-1, k, a - rquot(k, n) * a))";
    // One sum given three functions in turn, one of which calls another
    // with a number written in its body.
    text += ",\nrfix\\i\\j\\rentry(j, 2)";
    // Operations written twice over the same operands and over other ones,
    // and operations on numbers written in the body alone.
    text += ",\nrsame\\i\\j\\real(i + j) * real(i + j + 1) - real(i + 1) / real(j + i) + real(2) * real(1 + 2)";
    text += ",\nrsumt\\f\\g\\h\\n\\k\\a\\(n<1) (lits a) (rsumt(g, h, f, n-1, k, a + f(n, k) * a))";
  }
  if (blocks) {
    // Loops over one block or text, as programs write them: filled in,
    // summed, grown by joins, walked by head and tail.
    text += ",\nfill\\b\\i\\n\\(n<i) b (fill(cork(b, i, i*3+91), i+1, n))";
    text += ",\nsumb\\b\\i\\n\\s\\(n<i) s (sumb(b, i+1, n, s + look(b, i)))";
    text += ",\ngrow\\t\\n\\(n<1) t (grow(t + init(n*5+88), n-1))";
    text += ",\nheads\\b\\t\\n\\(n<1) t (heads(~b, t + $b, n-1))";
    text += ",\nwords\\t\\i\\n\\w\\c\\(i = n) c (b{look(t, i) = 98} words(t, i+1, n, !b, c + ((w | b) 0 1)))";
    text += ",\nfirstb\\b\\i\\n\\(n < i) i ((look(b, i) = 98) i (firstb(b, i+1, n)))";
    text += ",\nclear\\b\\i\\n\\(n < i) b (clear(cork(b, i, 0), i + 2, n))";
    text += ",\nboth\\x\\y\\J x y";
    text += ",\nshfill\\v\\both (fill(v, 0, 2)) (both v (sumb(v, 0, 3, 0)))";
    text += ",\nshgrow\\v\\both (grow(v, 2)) (both v (rank v))";
    text += ",\nshcork\\v\\both (cork(v, 1, 90)) (both v (look(v, 1)))";
    text += ",\nshjoin\\v\\both (v + [z]) (both v (rank v))";
    text += ",\nshlate\\v\\both v (cork(v, 0, 89))";
    text += ",\nshclos\\v\\(f\\both (fill(v, 0, 1)) (f 0)) (x\\v)";
    text += ",\nshlam\\v\\both (x\\v) (both (cork(v, 0, 65)) (v + [z]))";
    // The byte is read first, then the block is taken by the call after it.
    text += ",\nshlook\\v\\look(v, 1) + cork(v, 1, 66)";
    // A small function's byte joined on, and a byte read times one: the
    // small function is computed before the join or the read, and the
    // whole runs as calls when its operand is no number.
    text += ",\nbytef\\x\\(x % 3 = 0) 32 (97 + x % 26)";
    text += ",\nspell\\t\\n\\x\\(n<1) t (spell(t + init(bytef(x + n)), n-1, x))";
    text += ",\nlookw\\t\\i\\n\\s\\(n<i) s (lookw(t, i+1, n, s + look(t, i) * bytef(i) + look(t, 0) % (bytef(s) + i)))";
    text += ",\nshspell\\v\\both (spell(v, 2, 5)) (both v (rank v))";
    text += ",\nstamp\\b\\i\\n\\(n<i) b (stamp(cork(b, i, bytef(i * n)), i+1, n))";
  }
  // Small functions of numbers and truth values, called with the
  // arguments of a loop, as loops call helpers: each computes its body
  // where it stands when its numbers and truth values are such, and
  // runs as a call when they are not (tloop is given values of any kind).
  if (truths) {
    text += ",\nsel\\x\\y\\(x < y) (x + 1) (y * 2)";
    text += ",\nneg\\p\\!p";
    text += ",\nalt\\p\\q\\x\\y\\(p | q) x (y - x)";
    text += ",\nconj\\p\\q\\x\\(p & q) x (sel(x, 3) + sel(3, x))";
    // Trees of several word operations over parameters, in a body, in a
    // loop's comparison and in its arguments.
    text += ",\nwtree\\x\\y\\z\\(x * y + z) % (y - z + 7) - x * 3";
    text += ",\nwloop\\x\\y\\n\\(n < 1) (J x y) "
            "((x * 3 + y % 7 < y - 40) (wloop(x + y % 5, y * 3 - x, n - 1)) (wloop(x - 9, (y + 1) * 2, n - 1)))";
    // Trees of words with an integer written on either side of an
    // operation, answers set aside while others are computed, answers
    // beyond the word below the root, divisions by zero at the root and
    // below it.
    text += ",\nwmix\\x\\y\\n\\(n < 1) (J x (J y ((x * 7 - 3) / (y % 3)))) "
            "(wmix((x * 7919 + 13) % 1000003 - (5 - y) * (y + 2), 9 - (x - y) * (y % 11 - x / 7), n - 1))";
    text += ",\nwedge\\x\\y\\J (x * 3037000500 * 3037000500 + y) (J (100 / (x - y) % 7) (2 - (y * 4 - x)))";
    text += ",\ntloop\\n\\a\\b\\(n < 1) (J a b) "
            "(tloop(n - 1, sel(a, n) % 7 + alt(b, n = 2, a, 5) - conj(neg(b), n = 1, a), neg(b)))";
    // Placements tested as a board's queens are, against a list of small
    // columns, so that the sums compared are often equal; the call's truth
    // value picks one of the two operands it is given.
    text += ",\nclash\\x\\d\\l\\l K (c\\r\\(c = x | c = x + d | c + d = x | x - c = d * 2) H (clash(x, d + 1, r)))";
    text += ",\nclashes\\n\\x\\(n < 1) 0 "
            "((clash(x % 5, 1, J 3 (J 1 (J 4 (J 0 K))))) (clashes(n - 1, x + 1)) (n + clashes(n - 1, x + 2)))";
    // Small functions of numbers calling one another, computed on the
    // words where they stand: an answer that is a parameter, a number
    // written in the body, an operation's, a call's answering its own
    // parameter; each operation and comparison, a division by zero and
    // answers beyond the word on the way.  They are called as a loop's
    // argument, inside a sum, and for a byte joined to a text.
    text += ",\nwpick\\x\\y\\(x < y) x ((y = 3) 7 (9 - x % 5 - y / 2))";
    text += ",\nwdiv\\x\\(x % 4 = 1) 9 ((x % 5 = 0) (x * 3037000500 * 3037000500) (100 / (x % 9 - 8) + x * 3))";
    text += ",\nwid\\x\\y\\wpick(y, x)";
    text += ",\nwsum\\x\\y\\(x > y) (wpick(x, y) + wdiv(y)) ((x # y - 2) (y - x / 3) (wid(y, 0 - x)))";
    text += ",\nwcall\\n\\a\\(n < 1) (J a (J (wpick(a, 2)) (wid(a, 1)))) "
            "(wcall(n - 1, wsum(a % 5, n) + wdiv(a + n) % 11))";
    text += ",\nwtext\\t\\n\\a\\(n < 1) (rank t + wid(3, a)) "
            "(wtext(t + init(wsum(n, a % 4) % 256) + init(wpick(n, a)), n - 1, wpick(n, a)))";
    // Functions that pick one of two values on a truth value, called with
    // letters and values as they stand, in a loop's arguments: the value
    // picked is the operand itself, a letter's or one written in the body.
    text += ",\ntpick\\p\\x\\y\\p y x";
    text += ",\ntwrit\\p\\x\\p x [ab]";
    text += ",\ntpicks\\n\\p\\x\\(n < 1) (J p (J x K)) "
            "(tpicks(n - 1, tpick(p, x, p), twrit(p, x)))";
    // Calls that keep one letter of their caller's for the operand after
    // them, a number (fibs) or a value of any kind (keepx).
    text += ",\nfibs\\n\\(n < 2) n (fibs(n - 1) + fibs(n - 2))";
    text += ",\nkeepx\\x\\n\\(n < 1) (J x n) (sel(keepx(x, n - 1), x))";
    // Numbers written as operations of numbers, chosen by a comparison
    // or a match (a search's `0 - 1` when nothing is found), one of them
    // a division by zero.
    text += ",\nclosed\\x\\l\\(x < 3) (2 * 3) (l (0 - 1) (h\\t\\(h = x) (7 % 0) (5 - 8 * 2)))";
  }
  // Numbers computed and kept in a list: k times n, n, n squared, ... for
  // n from the first argument down; read back by sums, by joins onto a
  // text, by position.
  if (numbers) {
    text += ",\nkeep\\n\\k\\(n<1) K (J (k*n) (keep(n-1)(k*n)))";
    text += ",\nsums\\l\\l 0 (h\\t\\h+(sums t))";
    text += ",\nshows\\l\\l [] (h\\t\\([]+h)+[,]+(shows t))";
    text += ",\nnth\\l\\i\\l Z (h\\t\\(i<1) h (nth t (i-1)))";
  }
  return text;
}

}  // namespace quorl::testing
