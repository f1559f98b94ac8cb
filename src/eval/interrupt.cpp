// The interrupt hook's one variable, in the builds that have it.
#include "eval/interrupt.hpp"

namespace quorl {

#ifdef QUORL_INTERRUPTIBLE
bool (*evaluationInterrupt)() = nullptr;
#endif

}  // namespace quorl
