// Name resolution into address records of the published layout.
#pragma once

namespace quorl {

// getaddrinfo with hints read from, and the answer written as, published
// `addrinfo` records; the status is the library's.
int resolveAddress(const char* node, const char* service, const char* hints, char** result);
// Releases a list that resolveAddress answered; other addresses are ignored.
void releaseAddresses(char* published);

}  // namespace quorl
