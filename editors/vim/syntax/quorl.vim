" Vim syntax file for the quorl language.
" Install: copy (or link) editors/vim/syntax/quorl.vim to ~/.vim/syntax/ and
" editors/vim/ftdetect/quorl.vim to ~/.vim/ftdetect/.
if exists("b:current_syntax")
  finish
endif

" Names are lowercase words with underscores; digits and capitals split them.
syn iskeyword a-z,_

" The language's own builtins and the C library bridge (the builtin table).
syn keyword quorlBuiltin buck cape cent cmpr copy cork dash diff gteq init
syn keyword quorlBuiltin leaf leak left less lisp lits load look lots mult
syn keyword quorlBuiltin over plus post powa rank raws real refh refi refj
syn keyword quorlBuiltin refk refl refm refn refo rght road same tern trim
syn keyword quorlBuiltin type wave zits
syn keyword quorlLibrary abort abs accept acos addrinfo af_unspec ai_passive
syn keyword quorlLibrary asctime asin assert atan atof atoi atol bind bzero
syn keyword quorlLibrary calloc ceil clearerr closedir closesocket connect cos
syn keyword quorlLibrary cosh ctime difftime dirent eacces ebadf econnaborted
syn keyword quorlLibrary efault eintr einval eio emfile enfile enodev enomem
syn keyword quorlLibrary enotsock enxio eopnotsupp eoverflow erf erfc errno
syn keyword quorlLibrary ewouldblock exit exp fabs fclose fd_set fdopen feof
syn keyword quorlLibrary ferror fflush fgetc fgetpos fgets fileno floor fmod
syn keyword quorlLibrary fopen fputc fputs fread free freeaddrinfo frexp fseek
syn keyword quorlLibrary fsetpos ftell fwrite gai_strerror getaddrinfo getc
syn keyword quorlLibrary getchar getenv gethostname getnameinfo getpeername
syn keyword quorlLibrary gmtime htonl htons hypot inet_ntop inet_pton isalnum
syn keyword quorlLibrary isalpha isascii isblank isdigit isgraph islower
syn keyword quorlLibrary isprint ispunct isspace isupper labs ldexp listen
syn keyword quorlLibrary localtime log malloc memchr memcmp memcpy memmove
syn keyword quorlLibrary memset mktime modf nextafter ntohl ntohs opendir
syn keyword quorlLibrary perror pow putc putchar puts raise rand rand_max read
syn keyword quorlLibrary readdir realloc recv recvfrom remove rename rewind
syn keyword quorlLibrary send sendto setbuf setsockopt shutdown sin sinh
syn keyword quorlLibrary sock_stream socket sqrt srand stderr stdout
syn keyword quorlLibrary strcasecmp strcat strchr strcmp strcpy strdup
syn keyword quorlLibrary strerror strftime strlen strncasecmp strncat strncmp
syn keyword quorlLibrary strncpy strnlen strpbrk strrchr strspn strstr strtod
syn keyword quorlLibrary strtok strtok_r strtol strtoul system tan tanh time
syn keyword quorlLibrary time_t tmpfile tmpnam toascii tolower toupper ungetc
syn keyword quorlLibrary write

syn match quorlNumber "[0-9]\+"
" Single capitals are the combinators: BKK is B K K.
syn match quorlCombinator "[A-Z]"
syn match quorlOperator "[-+*/%^<>=#&|!~$`:.@?;'\",]"
syn match quorlLambda "\\"
syn match quorlWing "[{}]"
" A name before a backslash is a parameter; before a brace, a local name.
syn match quorlParameter "[a-z_]\+\ze\s*\\"
syn match quorlLocal "[a-z_]\+\ze\s*{"
" A definition: a name (or name()) and a backslash at the start of a piece.
syn match quorlDefinition "\(^\|,\)\s*\zs[a-z_]\+\ze\s*\((\s*)\)\?\s*\\"
syn match quorlDefinition "\(^\|,\)\s*\zs\[[-{,}~!@#$%^&*<>|+/=\\.`'\":;?]\]\ze\s*\\"
" Quoted texts (constants) nest; a piece that is only a constant is a remark.
syn region quorlConstant start="\[" end="\]" contains=quorlConstant
syn region quorlRemark matchgroup=quorlRemark start="\(^\|,\)\s*\zs\[" end="\]\ze\s*\(,\|$\)" contains=quorlConstant

hi def link quorlBuiltin Function
hi def link quorlLibrary Function
hi def link quorlNumber Number
hi def link quorlCombinator Constant
hi def link quorlOperator Operator
hi def link quorlLambda Keyword
hi def link quorlWing Keyword
hi def link quorlParameter Identifier
hi def link quorlLocal Identifier
hi def link quorlDefinition Define
hi def link quorlConstant String
hi def link quorlRemark Comment

let b:current_syntax = "quorl"
