// A sample for the exe check's own test (tests/scripts/exe_check_test.sh), built twice
// and never run: with a multi-byte NOP in main, and with a conditional move that its
// TLS callback reaches through a call. Both have a conditional move in main, where
// the program's emulation would be in place, which the check lets pass.
#include <windows.h>

extern "C" __attribute__((noinline)) int SampleSelect(int value, [[maybe_unused]] int other,
                                                      int condition) {
#ifdef SAMPLE_TLS_CMOV
    asm("cmpl $0, %2\n\tcmove %1, %0" : "+r"(value) : "r"(other), "r"(condition) : "cc");
#endif
    return value + condition;
}

extern "C" void NTAPI SampleTlsCallback(PVOID, DWORD reason, PVOID) {
    volatile int result = SampleSelect(static_cast<int>(reason), 2, 0);
    static_cast<void>(result);
}

// Between the run-time's __xl_a and __xl_z: the loader calls it with the others.
extern "C" __attribute__((section(".CRT$XLF"), used)) const PIMAGE_TLS_CALLBACK sampleCallback =
    SampleTlsCallback;

int main(int argc, char**) {
#ifdef SAMPLE_MULTI_BYTE_NOP
    asm volatile(".byte 0x0F, 0x1F, 0x44, 0x00, 0x00");  // nop dword ptr [eax+eax*1+0]
#endif
    int value = argc;
    asm("cmpl $1, %0\n\tcmove %1, %0" : "+r"(value) : "r"(argc + 1) : "cc");
    return value;
}
