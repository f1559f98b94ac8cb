// Directory handles over the system's opendir/readdir/closedir.
//
// The handle is one malloc block: the `dirent` record that each read fills,
// then the address of the search state.  Each read looks one entry ahead,
// because the record tells the position cookie of the following entry.
#include "builtins/clib_directory.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "builtins/clib_call.hpp"
#include "compile/layouts.hpp"

namespace quorl {

namespace {

struct Entry {
  std::string name;
  unsigned type = 0;  // the published type code
};

struct SearchState {
  DIR* directory;
  bool hasCached = false;
  Entry cached;
};

constexpr unsigned kRegular = 0x8000;
constexpr unsigned kDirectory = 0x4000;
constexpr unsigned kDevice = 0x2000;
constexpr unsigned kLink = 0xC000;
constexpr uint32_t kNoFollowing = 0x7FFFFFFF;
constexpr uint32_t kUnnamed = 0xFFFFFFFF;

unsigned typeCode(unsigned char type) {
  switch (type) {
    case DT_REG: return kRegular;
    case DT_DIR: return kDirectory;
    case DT_CHR:
    case DT_BLK: return kDevice;
    case DT_LNK: return kLink;
    default: return 0;
  }
}

unsigned modeTypeCode(mode_t mode) {
  if (S_ISREG(mode)) return kRegular;
  if (S_ISDIR(mode)) return kDirectory;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return kDevice;
  if (S_ISLNK(mode)) return kLink;
  return 0;
}

bool nextEntry(DIR* directory, Entry& out) {
  errno = 0;
  const dirent* native = readdir(directory);
  if (native == nullptr) return false;
  out.name = native->d_name;
  out.type = typeCode(native->d_type);
  struct stat info;
  // Some file systems do not say; ask for the entry itself.
  if (native->d_type == DT_UNKNOWN &&
      fstatat(dirfd(directory), native->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
    out.type = modeTypeCode(info.st_mode);
  return true;
}

// The position cookie: a hash of the entry's name, 31 bits.
uint32_t nameCookie(const std::string& name) {
  uint32_t hash = 5381;
  size_t limit = std::min<size_t>(name.size(), 260);
  for (size_t i = 0; i < limit; i++) hash = hash * 33 + static_cast<unsigned char>(name[i]);
  return hash & 0x7FFFFFFF;
}

void storeField(char* record, std::string_view field, uint64_t value) {
  storeRecordField(record, "dirent", field, value);
}

SearchState* stateOf(char* handle) {
  SearchState* state;
  std::memcpy(&state, handle + recordSize("dirent"), sizeof state);
  return state;
}

void setState(char* handle, SearchState* state) {
  std::memcpy(handle + recordSize("dirent"), &state, sizeof state);
}

void fillRecord(char* record, const Entry& entry) {
  std::memset(record, 0, recordSize("dirent"));
  const RecordField& name = recordField("dirent", "d_name");
  if (entry.name.size() < name.size) {
    std::memcpy(record + name.offset, entry.name.c_str(), entry.name.size() + 1);
    storeField(record, "d_namlen", entry.name.size());
    storeField(record, "d_type", entry.type);
    storeField(record, "d_reclen", recordSize("dirent"));
  } else {
    // A name the record cannot hold.
    std::memcpy(record + name.offset, "?", 2);
    storeField(record, "d_namlen", 1);
  }
}

}  // namespace

void* openDirectory(const char* path) {
  if (path == nullptr || path[0] == '\0') {
    errno = ENOENT;
    return nullptr;
  }
  DIR* directory = opendir(path);
  if (directory == nullptr) return nullptr;
  char* handle = static_cast<char*>(std::malloc(recordSize("dirent") + sizeof(SearchState*)));
  if (handle == nullptr) {
    closedir(directory);
    errno = ENOMEM;
    return nullptr;
  }
  std::memset(handle, 0, recordSize("dirent"));
  setState(handle, new SearchState{directory, false, {}});
  return handle;
}

void* readDirectory(char* handle) {
  if (handle == nullptr) return nullptr;
  SearchState* state = stateOf(handle);
  if (state == nullptr) return nullptr;
  Entry entry;
  if (state->hasCached) {
    entry = std::move(state->cached);
    state->hasCached = false;
  } else if (!nextEntry(state->directory, entry)) {
    return nullptr;
  }
  fillRecord(handle, entry);
  state->hasCached = nextEntry(state->directory, state->cached);
  uint32_t cookie = state->hasCached ? nameCookie(state->cached.name) : kNoFollowing;
  if (entry.name.size() >= recordField("dirent", "d_name").size) cookie = kUnnamed;
  storeField(handle, "d_off", cookie);
  return handle;
}

int closeDirectory(char* handle) {
  SearchState* state = handle == nullptr ? nullptr : stateOf(handle);
  if (state == nullptr) {
    errno = EBADF;
    return -1;
  }
  closedir(state->directory);
  delete state;
  std::free(handle);
  return 0;
}

}  // namespace quorl
