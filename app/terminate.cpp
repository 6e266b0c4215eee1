// The program uses no exceptions; should one escape all the same, end at once
// instead of pulling in libstdc++'s verbose handler and its symbol demangler.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
