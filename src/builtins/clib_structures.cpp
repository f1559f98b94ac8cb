// Sizes of the native records, constants, errno and socket sets.
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "builtins/clib_call.hpp"
#include "builtins/clib_directory.hpp"
#include "compile/layouts.hpp"

namespace quorl {

size_t recordSize(std::string_view name) {
  for (const RecordLayout& record : recordLayouts())
    if (record.name == name) return record.size;
  checkFailure(kCoreModule, 7303);
}

const RecordField& recordField(std::string_view record, std::string_view field) {
  for (const RecordLayout& layout : recordLayouts()) {
    if (layout.name != record) continue;
    for (const RecordField& f : layout.fields)
      if (f.name == field) return f;
  }
  checkFailure(kCoreModule, 7304);
}

void storeRecordField(char* at, std::string_view record, std::string_view field, uint64_t value) {
  const RecordField& f = recordField(record, field);
  std::memcpy(at + f.offset, &value, std::min(f.size, sizeof value));
}

uint64_t loadRecordField(const char* at, std::string_view record, std::string_view field) {
  const RecordField& f = recordField(record, field);
  uint64_t value = 0;
  std::memcpy(&value, at + f.offset, std::min(f.size, sizeof value));
  return value;
}

namespace {

// One handler per value, so names with the same value share it.
template <int64_t Value>
NodeRef constantBuiltin(NodeRef) {
  return numberFromInt64(Value);
}

template <const char* Record>
NodeRef recordSizeBuiltin(NodeRef) {
  return numberFromUInt64(recordSize(Record));
}

constexpr char kAddrinfo[] = "addrinfo";
constexpr char kDirent[] = "dirent";
constexpr char kTimeT[] = "time_t";

NodeRef errnoBuiltin(NodeRef) { return numberFromInt64(errno); }

// A socket set: a 32-bit count, padding, then one 8-byte slot per member.
// Adding a member already present, or to a full set, changes nothing.
void addToSocketSet(int64_t socket, char* set) {
  constexpr size_t kSlots = 8;
  size_t capacity = (recordSize("fd_set") - kSlots) / kSlots;
  uint32_t count;
  std::memcpy(&count, set, sizeof count);
  for (uint32_t i = 0; i < count && i < capacity; i++) {
    int64_t member;
    std::memcpy(&member, set + kSlots + i * kSlots, sizeof member);
    if (member == socket) return;
  }
  if (count >= capacity) return;
  std::memcpy(set + kSlots + count * kSlots, &socket, sizeof socket);
  count++;
  std::memcpy(set, &count, sizeof count);
}

constexpr BridgeRow kRows[] = {
    call<&addToSocketSet, 'I', 'I'>("fd_set"),
    special("addrinfo", 0, recordSizeBuiltin<kAddrinfo>),
    special("dirent", 0, recordSizeBuiltin<kDirent>),
    special("time_t", 0, recordSizeBuiltin<kTimeT>),
    special("af_unspec", 0, constantBuiltin<AF_UNSPEC>),
    special("ai_passive", 0, constantBuiltin<AI_PASSIVE>),
    special("sock_stream", 0, constantBuiltin<SOCK_STREAM>),
    special("rand_max", 0, constantBuiltin<RAND_MAX>),
    special("errno", 0, errnoBuiltin),
    special("eacces", 0, constantBuiltin<EACCES>),
    special("ebadf", 0, constantBuiltin<EBADF>),
    special("econnaborted", 0, constantBuiltin<ECONNABORTED>),
    special("efault", 0, constantBuiltin<EFAULT>),
    special("eintr", 0, constantBuiltin<EINTR>),
    special("einval", 0, constantBuiltin<EINVAL>),
    special("eio", 0, constantBuiltin<EIO>),
    special("emfile", 0, constantBuiltin<EMFILE>),
    special("enfile", 0, constantBuiltin<ENFILE>),
    special("enodev", 0, constantBuiltin<ENODEV>),
    special("enomem", 0, constantBuiltin<ENOMEM>),
    special("enotsock", 0, constantBuiltin<ENOTSOCK>),
    special("enxio", 0, constantBuiltin<ENXIO>),
    special("eopnotsupp", 0, constantBuiltin<EOPNOTSUPP>),
    special("eoverflow", 0, constantBuiltin<EOVERFLOW>),
    special("ewouldblock", 0, constantBuiltin<EWOULDBLOCK>),
    call<&openDirectory, 'S'>("opendir"),
    call<&readDirectory, 'I'>("readdir"),
    call<&closeDirectory, 'I'>("closedir"),
};

}  // namespace

BridgeRows structureRows() { return {kRows, std::size(kRows)}; }

}  // namespace quorl
