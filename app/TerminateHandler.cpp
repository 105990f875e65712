// The runtime's default for an exception that nothing catches prints its demangled type to
// stderr before aborting. A windowed program has no stderr to print to, and the demangler
// behind it is 45 KB of the exe; defining the handler here keeps the runtime's copy out.
// The failure is reported instead (and the process ends, as abort would end it).
#include "crash/CrashHandler.h"

// The static run-time refers to its pure-virtual handler only weakly, so none is linked in and a
// pure virtual call would jump to address 0. This one reports it.
extern "C" [[noreturn]] void __cxa_pure_virtual() { sweeplet::ReportFailure(sweeplet::kFailurePureVirtual); }

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() { sweeplet::ReportFailure(sweeplet::kFailureTerminate); }

}  // namespace __gnu_cxx
