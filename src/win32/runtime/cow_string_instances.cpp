// The reference-counted std::string of the older library interface, which the
// run-time's exception classes (std::runtime_error and the like) keep their message
// in. Instantiated here for the Pentium, as the current std::string is beside it.
// This file is compiled with _GLIBCXX_USE_CXX11_ABI=0.
#include <string>

template class std::basic_string<char>;
