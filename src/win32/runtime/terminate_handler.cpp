// The C++ run-time's default reaction to an exception nobody catches prints its type
// to the error output and aborts. A program with windows has no error output, and
// that handler brings the run-time's demangler and printf family along, which are
// built for newer processors than the program's. The program's entry catches every
// exception of its own; what is left ends the process as before.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
