#pragma once
// Lets the program run on processors without the instructions that came with the
// Pentium Pro (the Pentium and Pentium MMX, AMD's K5, K6, K6-2 and K6-III, IDT's
// WinChip, VIA's C3 of the Samuel and Ezra kinds). The program's own code is built
// for the Pentium; the C++ run-time it links, prebuilt for the Pentium Pro, keeps a
// few of them on paths that are not taken often (the start-up's command-line scan,
// throwing and catching exceptions, growing a hash table, stepping a tree). On those
// processors each one raises an illegal-instruction exception, which the handler
// installed here takes: it carries the instruction out on the thread's saved state
// and lets the thread go on after it. On a Pentium Pro or later it is never called.

#include <windows.h>

namespace pallisar {

// Carries out the instruction at context.Eip when it is one of CMOVcc, FCMOVcc, FCOMI,
// FCOMIP, FUCOMI and FUCOMIP, in every register and memory form the 32-bit processor
// has, with the operand-size, CS/DS/ES/SS and LOCK prefixes (the last only so that a
// test can make a processor that knows the instruction fault on it), and moves Eip
// past it. Returns false, and changes nothing, for anything else, and for the cases a
// real processor would fault on as well (an empty x87 register, an x87 exception that
// is not masked).
bool EmulateProcessorInstruction(CONTEXT& context);

// Puts the emulation's handler at the head of the calling thread's exception handlers
// for its lifetime: each entry from the system (the program's entry point, window,
// dialog and hook procedures, a worker thread's start) holds one, so that no handler
// a system DLL puts between that entry and the faulting code can take the exception
// first. The record lives in the object, on the stack; the destructor puts back the
// chain as it found it, also when a C++ exception unwinds through the scope. Only as a
// local variable.
class ProcessorEmulationScope {
  public:
    ProcessorEmulationScope();
    ~ProcessorEmulationScope();
    ProcessorEmulationScope(const ProcessorEmulationScope&) = delete;
    ProcessorEmulationScope& operator=(const ProcessorEmulationScope&) = delete;

  private:
    // An exception registration record as the system reads it: the chain's next
    // (older) record, then the handler.
    void* previous_;
    void* handler_;
};

// Runs `body(argument)` inside a ProcessorEmulationScope.
void RunWithProcessorEmulation(void (*body)(void*), void* argument);

}  // namespace pallisar
