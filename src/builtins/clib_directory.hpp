// Directory listing for programs: a handle whose first bytes are a `dirent`
// record in the published layout, refilled by each read.
#pragma once

namespace quorl {

// The handle's address, or null (errno set) when the directory cannot be
// opened; a null or empty path is ENOENT.
void* openDirectory(const char* path);
// The handle's record, filled with the next entry; null at the end.
void* readDirectory(char* handle);
// 0, or -1 with errno EBADF for a null handle or one already closed.
int closeDirectory(char* handle);

}  // namespace quorl
