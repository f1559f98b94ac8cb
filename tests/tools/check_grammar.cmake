# Checks the editor files: the VS Code files are valid JSON, and both the
# TextMate grammar and the Vim syntax file name every builtin of the table,
# so that highlighting cannot drift from the builtins.
#
#   cmake -DEDITORS=<editors dir> -DTABLE=<src/builtins/table.cpp> -P check_grammar.cmake
foreach(json vscode/package.json vscode/language-configuration.json
             vscode/syntaxes/quorl.tmLanguage.json)
  file(READ ${EDITORS}/${json} text)
  string(JSON type ERROR_VARIABLE error TYPE "${text}")
  if(error)
    message(SEND_ERROR "${json} is not valid JSON: ${error}")
  endif()
endforeach()

file(READ ${EDITORS}/vscode/syntaxes/quorl.tmLanguage.json grammar)
string(JSON scope GET "${grammar}" scopeName)
if(NOT scope STREQUAL "source.quorl")
  message(SEND_ERROR "the grammar's scope is ${scope}, not source.quorl")
endif()
string(JSON builtins GET "${grammar}" repository builtin match)
string(JSON library GET "${grammar}" repository library match)
file(READ ${EDITORS}/vim/syntax/quorl.vim vim)

file(STRINGS ${TABLE} rows REGEX "{\"[a-z_]+\", [0-9]+,")
set(count 0)
foreach(row ${rows})
  string(REGEX MATCHALL "{\"[a-z_]+\", [0-9]+," entries "${row}")
  foreach(entry ${entries})
    string(REGEX REPLACE "{\"([a-z_]+)\".*" "\\1" name "${entry}")
    math(EXPR count "${count} + 1")
    if(NOT "|${builtins}|${library}|" MATCHES "[:(|]${name}[|)]")
      message(SEND_ERROR "the TextMate grammar does not name the builtin ${name}")
    endif()
    if(NOT vim MATCHES "syn keyword quorl(Builtin|Library)[a-z_ ]* ${name}[ \n]")
      message(SEND_ERROR "the Vim syntax file does not name the builtin ${name}")
    endif()
  endforeach()
endforeach()
if(count LESS 200)
  message(SEND_ERROR "only ${count} builtins found in ${TABLE}")
endif()
message(STATUS "${count} builtins named by both grammars")
