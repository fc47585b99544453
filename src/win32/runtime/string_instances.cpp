// The members of std::string that the C++ run-time keeps compiled in its library
// (find, compare, replace, the allocation of a longer text...) are built for the
// Pentium Pro and later. Instantiated here, built for the Pentium, they come first at
// the link and are the ones the whole program uses, the run-time's own code included.
#include <string>

template class std::basic_string<char>;
