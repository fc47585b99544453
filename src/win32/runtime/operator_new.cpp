// The program's own operator new. The run-time's is built for the Pentium Pro and
// later (it picks the size of an empty request with a CMOV instruction), and every
// allocation of the program goes through it; this one is built for the Pentium.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = std::malloc(size)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}
