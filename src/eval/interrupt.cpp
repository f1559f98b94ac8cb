// The interrupt hooks' variables.
#include "eval/interrupt.hpp"

namespace quorl {

#ifdef QUORL_INTERRUPTIBLE
bool (*evaluationInterrupt)() = nullptr;
#endif

namespace interrupt_detail {
volatile std::sig_atomic_t requested = 0;
bool watched = false;
}  // namespace interrupt_detail

}  // namespace quorl
