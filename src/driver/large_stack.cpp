// Running interpreter work on a thread with a very large stack.
#include "driver/large_stack.hpp"

#include <pthread.h>

namespace quorl {

static void* runWork(void* work) {
  (*static_cast<const std::function<void()>*>(work))();
  return nullptr;
}

void runWithLargeStack(const std::function<void()>& work) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) {
    work();
    return;
  }
  pthread_t thread;
  // The stack is reserved address space; pages are only committed as the
  // work actually descends, so the size costs nothing for shallow programs.
  bool started = pthread_attr_setstacksize(&attributes, kLargeStackBytes) == 0 &&
                 pthread_create(&thread, &attributes, runWork,
                                const_cast<std::function<void()>*>(&work)) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) {
    work();
    return;
  }
  pthread_join(thread, nullptr);
}

}  // namespace quorl
