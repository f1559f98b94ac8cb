// Name resolution: getaddrinfo answers a list of address records in the
// published `addrinfo` layout, which need not be the system's own.
//
// The system's list is kept alive behind the published copy, whose address
// and name fields point into it; freeaddrinfo releases both.
#include "builtins/clib_addrinfo.hpp"

#include <netdb.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "builtins/clib_call.hpp"

namespace quorl {

namespace {

// Published list (one block) → the system's list behind it.
std::map<char*, addrinfo*>& resolvedLists() {
  static std::map<char*, addrinfo*> lists;
  return lists;
}

addrinfo hintsFrom(const char* published) {
  addrinfo hints{};
  hints.ai_flags = static_cast<int>(loadRecordField(published, "addrinfo", "ai_flags"));
  hints.ai_family = static_cast<int>(loadRecordField(published, "addrinfo", "ai_family"));
  hints.ai_socktype = static_cast<int>(loadRecordField(published, "addrinfo", "ai_socktype"));
  hints.ai_protocol = static_cast<int>(loadRecordField(published, "addrinfo", "ai_protocol"));
  return hints;
}

uint64_t addressOf(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// One block of records linked in order; null when memory runs out.
char* publishedCopy(const addrinfo* list) {
  size_t count = 0;
  for (const addrinfo* a = list; a != nullptr; a = a->ai_next) count++;
  size_t size = recordSize("addrinfo");
  char* block = static_cast<char*>(std::calloc(count, size));
  if (block == nullptr) return nullptr;
  char* record = block;
  for (const addrinfo* a = list; a != nullptr; a = a->ai_next, record += size) {
    storeRecordField(record, "addrinfo", "ai_flags", static_cast<uint32_t>(a->ai_flags));
    storeRecordField(record, "addrinfo", "ai_family", static_cast<uint32_t>(a->ai_family));
    storeRecordField(record, "addrinfo", "ai_socktype", static_cast<uint32_t>(a->ai_socktype));
    storeRecordField(record, "addrinfo", "ai_protocol", static_cast<uint32_t>(a->ai_protocol));
    storeRecordField(record, "addrinfo", "ai_addrlen", a->ai_addrlen);
    storeRecordField(record, "addrinfo", "ai_canonname", addressOf(a->ai_canonname));
    storeRecordField(record, "addrinfo", "ai_addr", addressOf(a->ai_addr));
    storeRecordField(record, "addrinfo", "ai_next", a->ai_next ? addressOf(record + size) : 0);
  }
  return block;
}

}  // namespace

int resolveAddress(const char* node, const char* service, const char* hints, char** result) {
  addrinfo nativeHints;
  if (hints != nullptr) nativeHints = hintsFrom(hints);
  addrinfo* list = nullptr;
  int status = getaddrinfo(node, service, hints ? &nativeHints : nullptr, &list);
  if (status != 0) return status;
  char* published = publishedCopy(list);
  if (published == nullptr) {
    freeaddrinfo(list);
    return EAI_MEMORY;
  }
  resolvedLists()[published] = list;
  if (result != nullptr) *result = published;
  return 0;
}

// Only lists this bridge handed out are released; any other address is left
// alone rather than given to the system to free.
void releaseAddresses(char* published) {
  auto it = resolvedLists().find(published);
  if (it == resolvedLists().end()) return;
  freeaddrinfo(it->second);
  std::free(it->first);
  resolvedLists().erase(it);
}

}  // namespace quorl
