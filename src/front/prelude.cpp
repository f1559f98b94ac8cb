// The Prelude: the source text, compiled before every program, that
// defines the combinators A to Z and the meaning of every operator
// character.
#include "front/prelude.hpp"

#include <string>
#include <vector>

#include "builtins/table.hpp"
#include "front/chars.hpp"
#include "front/front_checks.hpp"
#include "front/parser.hpp"
#include "term/tables.hpp"

namespace quorl {

// It starts with a comma: the main expression is empty.  Blanks after a
// lambda are dropped by normalisation like any blank beside an operator.
const std::string_view kPreludeText{
    ",A\\a\\aS BKK,B\\a\\b\\c\\a b(c),C\\a\\b\\c\\a c b,D\\a\\b\\c\\d\\a b c(d),"
    "E\\a\\b\\c\\d\\e\\a b c(d)e,F\\a\\b\\Vb a,G\\a\\VZ(BW BC DDV V(XJ)),H\\a\\I,I\\a\\a,"
    "J\\a\\b\\c\\Va b,K\\a\\b\\a,L\\a\\aK K(KH),M\\a\\a a,N\\a\\K,O\\a\\b\\b a(b),"
    "P\\a\\a XS I,Q\\a\\aZK,R\\a\\aZH,U\\a\\b\\c\\d\\e\\e(Va b,Vc d),"
    "S\\a\\b\\c\\a c b(c),T\\a\\b\\b a,V\\a\\b\\c\\c a b,W\\a\\b\\a b b,Z\\a\\Z,"
    "X\\a\\b\\c\\d\\Vb a(d)c,Y\\a\\b\\a Ya b,[\\]\\a\\b\\c\\Z,[{]\\a\\b\\c\\Z,"
    "[!]\\p\\   p H K,[&]\\q\\r\\q r H,[|]\\q\\r\\q K r,[+]\\plus,[-]\\dash,[*]\\mult,"
    "[/]\\over,[%]\\cent,[^]\\powa,[<]\\less,[>]\\gteq,[=]\\same,[#]\\diff,[$]\\buck,"
    "[~]\\wave,[.]\\T,[@]\\T,[:]\\I,[?]\\I,[;]\\I,[']\\I,[\"]\\I,[,]\\I"};

namespace {

// Stores one piece, a name, a lambda and a body, under the key of the name.
void definePreludePiece(std::string_view piece) {
  NodeRef term = parseExpression(piece);
  bool isLambda = term.isApp() && term.fun().isApp() && term.fun().fun().text() == "\\";
  if (!isLambda) checkFailure(kCoreModule, kCheckPreludeShape);
  NodeRef name = term.fun().arg();
  if (!name.isLeafNode() || !isFunctionName(name.text()))
    checkFailure(kCoreModule, kCheckPreludeShape);
  setDefinition(keyOf(name.text()), term.arg());
}

}  // namespace

void compilePrelude() {
  resetGlobalTables();
  builtinTable();  // refills the builtin rows that the reset emptied

  std::string text = normaliseSource(kPreludeText);
  std::vector<size_t> commas = findAtDepthZero(text, ",");
  for (size_t k = 0; k < commas.size(); ++k) {
    size_t start = commas[k] + 1;
    size_t end = k + 1 < commas.size() ? commas[k + 1] : text.size();
    definePreludePiece(std::string_view(text).substr(start, end - start));
  }
  preludeSnapshot() = definitionTable();
}

}  // namespace quorl
