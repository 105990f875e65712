// The runtime's default for an exception that nothing catches prints its demangled type to
// stderr before aborting. A windowed program has no stderr to print to, and the demangler
// behind it is 45 KB of the exe; defining the handler here keeps the runtime's copy out.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
