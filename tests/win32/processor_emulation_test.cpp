// The emulation of the Pentium Pro's instructions against the processor itself. Each
// case runs one instruction twice from the same random state: as the processor runs it,
// and with a LOCK prefix, which makes the processor refuse it with an illegal-instruction
// exception that the installed handler takes, carries out and goes on from. Registers,
// flags and the whole x87 state afterwards must be the same. Then the same refused
// instruction inside a window and a dialog procedure, under a handler that stands in
// for a catch-all frame of a system DLL.
#include "win32/runtime/processor_emulation.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/fake_prompts.h"
#include "win32/application.h"
#include "win32/window.h"
#include "window_test_resource.h"

using namespace pallisar;

namespace {

constexpr uint32_t kArithmeticFlags = 0x8D5;  // CF PF AF ZF SF OF

struct MachineState {
    uint32_t reg[8];  // by encoding number; reg[4] (ESP) is not loaded
    uint32_t eflags;
    uint32_t stack[2];  // [esp] and [esp+4] while the instruction runs
    uint8_t fpu[108];   // FNSAVE image
};

MachineState in, out, saved;
uint8_t data[64];  // what memory operands point into

// Machine code that loads `in`, runs the instruction and stores `out`.
class Harness {
  public:
    explicit Harness(const std::vector<uint8_t>& instruction) {
        code_ = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        std::vector<uint8_t> c = {0x60, 0x9C};  // pushad, pushfd
        Memory(c, {0xDD, 0x35}, saved.fpu);     // fnsave [saved]
        Memory(c, {0xDD, 0x25}, in.fpu);        // frstor [in]
        for (uint8_t r = 0; r < 8; ++r)
            if (r != 4) Memory(c, {0x8B, static_cast<uint8_t>(0x05 | r << 3)}, &in.reg[r]);
        Memory(c, {0xFF, 0x35}, &in.stack[1]);  // push
        Memory(c, {0xFF, 0x35}, &in.stack[0]);
        Memory(c, {0xFF, 0x35}, &in.eflags);  // push, popfd
        c.push_back(0x9D);
        c.insert(c.end(), instruction.begin(), instruction.end());
        c.push_back(0x9C);  // pushfd, pop [out.eflags]
        Memory(c, {0x8F, 0x05}, &out.eflags);
        c.insert(c.end(), {0x8D, 0x64, 0x24, 0x08});  // lea esp, [esp+8]
        for (uint8_t r = 0; r < 8; ++r)
            if (r != 4) Memory(c, {0x89, static_cast<uint8_t>(0x05 | r << 3)}, &out.reg[r]);
        Memory(c, {0xDD, 0x35}, out.fpu);       // fnsave [out]
        Memory(c, {0xDD, 0x25}, saved.fpu);     // frstor [saved]
        c.insert(c.end(), {0x9D, 0x61, 0xC3});  // popfd, popad, ret
        std::memcpy(code_, c.data(), c.size());
        FlushInstructionCache(GetCurrentProcess(), code_, c.size());
    }
    ~Harness() { VirtualFree(code_, 0, MEM_RELEASE); }

    void Run() { reinterpret_cast<void (*)()>(code_)(); }

  private:
    static void Memory(std::vector<uint8_t>& c, std::vector<uint8_t> opcode, const void* at) {
        const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(at));
        c.insert(c.end(), opcode.begin(), opcode.end());
        for (int i = 0; i < 4; ++i) c.push_back(static_cast<uint8_t>(address >> (8 * i)));
    }

    uint8_t* code_;
};

void RunLocked(void* harness) { static_cast<Harness*>(harness)->Run(); }

// A value of every kind the x87 compares differently: numbers, zeros, infinities,
// denormals, quiet and signalling NaNs, and the formats it refuses.
void RandomExtended(std::mt19937& random, uint8_t* bytes) {
    uint64_t significand = (static_cast<uint64_t>(random()) << 32) | random();
    uint16_t exponent = static_cast<uint16_t>(0x3FF0 + random() % 32);
    switch (random() % 12) {
        case 0:
            significand = 0, exponent = 0;
            break;  // zero
        case 1:
            significand >>= 1, exponent = 0;
            break;  // denormal
        case 2:
            significand |= 1ull << 63, exponent = 0;
            break;  // pseudo-denormal
        case 3:
            significand = 1ull << 63, exponent = 0x7FFF;
            break;  // infinity
        case 4:
            significand |= 3ull << 62, exponent = 0x7FFF;
            break;  // quiet NaN
        case 5:
            significand = (significand & ~(1ull << 62)) | 1ull << 63 | 1, exponent = 0x7FFF;
            break;
        case 6:
            significand &= ~(1ull << 63);
            break;  // unnormal
        case 7:
            significand &= ~(1ull << 63), exponent = 0x7FFF;
            break;  // pseudo-NaN
        default:
            significand |= 1ull << 63;
            break;  // normal
    }
    exponent = static_cast<uint16_t>(exponent | (random() % 2) << 15);
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &exponent, 2);
}

unsigned TagOf(const uint8_t* bytes) {
    uint64_t significand = 0;
    uint16_t exponent = 0;
    std::memcpy(&significand, bytes, 8);
    std::memcpy(&exponent, bytes + 8, 2);
    exponent &= 0x7FFF;
    if (exponent == 0 && significand == 0) return 1;
    if (exponent == 0 || exponent == 0x7FFF || !(significand >> 63)) return 2;
    return 0;
}

// A random machine state: registers, flags, and an x87 stack of which ST(0) and
// ST(operand) are in use (and, often, equal).
void RandomState(std::mt19937& random, unsigned operand) {
    for (uint32_t& r : in.reg) r = random();
    in.eflags = 0x202 | (random() & kArithmeticFlags);
    in.stack[0] = random();
    in.stack[1] = random();
    std::memset(in.fpu, 0, sizeof in.fpu);
    const uint16_t control = (random() % 2) ? 0x037F : 0x027F;  // every exception masked
    const unsigned top = random() % 8;
    const uint16_t status = static_cast<uint16_t>(top << 11 | (random() & 0x4700));
    uint16_t tags = 0;
    uint8_t* st = in.fpu + 28;
    for (unsigned i = 0; i < 8; ++i) {
        RandomExtended(random, st + 10 * i);
        if (i == operand && random() % 4 == 0) std::memcpy(st + 10 * i, st, 10);
        if (i == operand && random() % 8 == 0) {
            std::memcpy(st + 10 * i, st, 10);
            st[10 * i + 9] ^= 0x80;  // the same magnitude with the other sign
        }
        const bool used = i == 0 || i == operand || random() % 2;
        tags |= (used ? TagOf(st + 10 * i) : 3u) << (2 * ((top + i) & 7));
    }
    std::memcpy(in.fpu, &control, 2);
    std::memcpy(in.fpu + 4, &status, 2);
    std::memcpy(in.fpu + 8, &tags, 2);
}

testing::AssertionResult SameOutcome(const std::vector<uint8_t>& instruction,
                                     const MachineState& real, const MachineState& emulated) {
    std::string differences;
    for (int r = 0; r < 8; ++r)
        if (r != 4 && real.reg[r] != emulated.reg[r]) differences += " reg" + std::to_string(r);
    if (real.eflags != emulated.eflags) differences += " eflags";
    if (std::memcmp(real.fpu, emulated.fpu, 2) != 0) differences += " control";
    if (std::memcmp(real.fpu + 4, emulated.fpu + 4, 2) != 0)
        differences += " status " + std::to_string(real.fpu[5] * 256 + real.fpu[4]) + "/" +
                       std::to_string(emulated.fpu[5] * 256 + emulated.fpu[4]);
    if (std::memcmp(real.fpu + 8, emulated.fpu + 8, 2) != 0) differences += " tags";
    if (std::memcmp(real.fpu + 28, emulated.fpu + 28, 80) != 0) differences += " registers";
    if (differences.empty()) return testing::AssertionSuccess();
    std::string bytes;
    for (uint8_t b : instruction) bytes += " " + std::to_string(b);
    return testing::AssertionFailure() << "instruction" << bytes << ":" << differences;
}

// Runs the instruction from `trials` random states, natively and emulated.
void CheckAgainstProcessor(const std::vector<uint8_t>& instruction, unsigned x87Operand,
                           void (*prepare)(std::mt19937&), int trials, std::mt19937& random) {
    Harness native(instruction);
    std::vector<uint8_t> locked = {0xF0};
    locked.insert(locked.end(), instruction.begin(), instruction.end());
    Harness emulated(locked);
    for (int t = 0; t < trials; ++t) {
        RandomState(random, x87Operand);
        if (prepare) prepare(random);
        // Both at the same depth of the stack, so that ESP is the same.
        RunWithProcessorEmulation(&RunLocked, &native);
        const MachineState real = out;
        std::memset(&out, 0, sizeof out);
        RunWithProcessorEmulation(&RunLocked, &emulated);
        ASSERT_TRUE(SameOutcome(instruction, real, out));
    }
}

// Base registers point into `data`, index registers hold small numbers.
void PointIntoData(std::mt19937& random) {
    for (int r : {3, 5, 6})
        in.reg[r] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data + 16));
    in.reg[7] = random() % 4;  // EDI as an index
    for (uint8_t& b : data) b = static_cast<uint8_t>(random());
}

}  // namespace

TEST(ProcessorEmulation, ConditionalMovesMatchTheProcessor) {
    std::mt19937 random(586);
    const uint32_t dataAt = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
    const uint8_t absolute[4] = {static_cast<uint8_t>(dataAt), static_cast<uint8_t>(dataAt >> 8),
                                 static_cast<uint8_t>(dataAt >> 16),
                                 static_cast<uint8_t>(dataAt >> 24)};
    for (uint8_t condition = 0; condition < 16; ++condition) {
        const uint8_t op = static_cast<uint8_t>(0x40 | condition);
        // Register forms over every pair but ESP as the target, in 32 and 16 bits.
        for (uint8_t target : {0, 1, 2, 3, 5, 6, 7}) {
            for (uint8_t source = 0; source < 8; ++source) {
                const uint8_t modrm = static_cast<uint8_t>(0xC0 | target << 3 | source);
                CheckAgainstProcessor({0x0F, op, modrm}, 0, nullptr, 3, random);
                CheckAgainstProcessor({0x66, 0x0F, op, modrm}, 0, nullptr, 2, random);
            }
        }
        // Memory forms: [reg], [reg+disp8], [reg+disp32], [disp32], [base+index*scale+disp8],
        // [esp+disp8], [ebp+disp8], with the segment prefixes a flat program may carry.
        const std::vector<std::vector<uint8_t>> memory = {
            {0x0F, op, 0x03},                                                      // eax, [ebx]
            {0x0F, op, 0x4E, 0xFC},                                                // ecx, [esi-4]
            {0x0F, op, 0x96, 8, 0, 0, 0},                                          // edx, [esi+8]
            {0x0F, op, 0x05, absolute[0], absolute[1], absolute[2], absolute[3]},  // eax, [abs]
            {0x0F, op, 0x44, 0xBB, 0x04},        // eax, [ebx+edi*4+4]
            {0x0F, op, 0x4C, 0x7E, 0x02},        // ecx, [esi+edi*2+2]
            {0x0F, op, 0x04, 0x3B},              // eax, [ebx+edi]
            {0x0F, op, 0x44, 0x24, 0x04},        // eax, [esp+4]
            {0x0F, op, 0x0C, 0x24},              // ecx, [esp]
            {0x0F, op, 0x45, 0x08},              // eax, [ebp+8]
            {0x66, 0x0F, op, 0x46, 0x02},        // ax, [esi+2]
            {0x3E, 0x0F, op, 0x03},              // ds:
            {0x36, 0x0F, op, 0x44, 0x24, 0x04},  // ss:
        };
        for (const std::vector<uint8_t>& instruction : memory)
            CheckAgainstProcessor(instruction, 0, &PointIntoData, 8, random);
        if (HasFatalFailure()) return;
    }
}

TEST(ProcessorEmulation, X87MovesAndComparesMatchTheProcessor) {
    std::mt19937 random(686);
    for (uint8_t i = 0; i < 8; ++i) {
        for (uint8_t group = 0; group < 4; ++group) {
            const uint8_t modrm = static_cast<uint8_t>(0xC0 | group << 3 | i);
            CheckAgainstProcessor({0xDA, modrm}, i, nullptr, 40, random);  // FCMOVB/E/BE/U
            CheckAgainstProcessor({0xDB, modrm}, i, nullptr, 40, random);  // FCMOVNB/NE/NBE/NU
        }
        for (uint8_t opcode : {0xDB, 0xDF}) {
            CheckAgainstProcessor({opcode, static_cast<uint8_t>(0xE8 | i)}, i, nullptr, 300,
                                  random);  // FUCOMI(P)
            CheckAgainstProcessor({opcode, static_cast<uint8_t>(0xF0 | i)}, i, nullptr, 300,
                                  random);  // FCOMI(P)
        }
        if (HasFatalFailure()) return;
    }
}

TEST(ProcessorEmulation, LeavesEveryOtherInstructionToTheNextHandler) {
    // UD2, an x87 load, a CMOV with an FS override, and FCMOV on an empty register.
    const std::vector<std::vector<uint8_t>> refused = {
        {0x0F, 0x0B}, {0xDB, 0x28}, {0x64, 0x0F, 0x44, 0x03}, {0xDA, 0xC1}};
    for (const std::vector<uint8_t>& bytes : refused) {
        CONTEXT context{};
        context.ContextFlags = CONTEXT_FULL | CONTEXT_FLOATING_POINT;
        context.Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(bytes.data()));
        context.FloatSave.TagWord = 0xFFFF;  // every register empty
        const CONTEXT before = context;
        EXPECT_FALSE(EmulateProcessorInstruction(context));
        EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0);
    }
}

TEST(ProcessorEmulation, TakesTheIntegerFormsWhateverTheContextFlagsSay) {
    const uint8_t cmove[] = {0x0F, 0x44, 0xC1};  // cmove eax, ecx
    const uint8_t fcmove[] = {0xDA, 0xC9};       // fcmove st(0), st(1)
    CONTEXT context{};
    context.ContextFlags = CONTEXT_i386;
    context.Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(cmove));
    context.Eax = 1;
    context.Ecx = 2;
    context.EFlags = 0x40;  // ZF
    ASSERT_TRUE(EmulateProcessorInstruction(context));
    EXPECT_EQ(context.Eax, 2u);
    EXPECT_EQ(context.Eip, static_cast<DWORD>(reinterpret_cast<uintptr_t>(cmove + 3)));
    // The x87 forms need the x87 state the flags say the context carries.
    context.ContextFlags = CONTEXT_FULL;
    context.Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(fcmove));
    EXPECT_FALSE(EmulateProcessorInstruction(context));
}

namespace {

// The refused instruction (lock cmove eax, ecx) with ZF set: 2 when it was carried out,
// 1 when a handler only stepped over it.
int RaiseConditionalMove() {
    int result = 0;
    asm volatile(
        "movl $1, %%eax\n\t"
        "movl $2, %%ecx\n\t"
        "cmpl %%eax, %%eax\n\t"
        ".byte 0xF0, 0x0F, 0x44, 0xC1"
        : "=a"(result)
        :
        : "ecx", "cc");
    return result;
}

// A frame between the test and the procedure that takes every illegal instruction
// by stepping over it, as a catch-all of a system DLL would take it first.
int steppedOver = 0;

EXCEPTION_DISPOSITION __cdecl StepOver(EXCEPTION_RECORD* record, void*, CONTEXT* context, void*) {
    if ((record->ExceptionFlags & 0x6) != 0 ||
        record->ExceptionCode != EXCEPTION_ILLEGAL_INSTRUCTION)
        return ExceptionContinueSearch;
    ++steppedOver;
    context->Eip += 4;
    return ExceptionContinueExecution;
}

struct CatchAllFrame {
    void* previous = nullptr;
    void* handler = reinterpret_cast<void*>(&StepOver);
    CatchAllFrame() {
        asm volatile("movl %%fs:0, %0" : "=r"(previous));
        asm volatile("movl %0, %%fs:0" : : "r"(this) : "memory");
    }
    ~CatchAllFrame() { asm volatile("movl %0, %%fs:0" : : "r"(previous) : "memory"); }
};

constexpr UINT kRaise = WM_APP + 20;

class RaisingWindow : public Window {
  public:
    explicit RaisingWindow(Application& app) : Window(app) {}
    HWND Create() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = app_.Instance();
        wc.lpszClassName = "PallisarEmulationTest";
        RegisterClassA(&wc);
        return CreateHwnd(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                          nullptr);
    }

  private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kRaise) return RaiseConditionalMove();
        return Default(message, wParam, lParam);
    }
};

class RaisingDialog : public Dialog {
  public:
    explicit RaisingDialog(Application& app) : Dialog(app) {}
    int result = 0;

  private:
    void Fill() override {
        result = RaiseConditionalMove();
        EndDialog(hwnd_, IDOK);
    }
};

}  // namespace

TEST(ProcessorEmulation, CarriesOutTheInstructionInsideWindowAndDialogProcedures) {
    test::FakePrompts prompts;
    Application app(GetModuleHandleA(nullptr), prompts);
    CatchAllFrame catchAll;
    steppedOver = 0;
    RaisingWindow window(app);
    HWND hwnd = window.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(SendMessageA(hwnd, kRaise, 0, 0), 2);
    RaisingDialog dialog(app);
    EXPECT_EQ(RunDialog(nullptr, IDD_TEST_GAME, dialog), IDOK);
    EXPECT_EQ(dialog.result, 2);
    EXPECT_EQ(steppedOver, 0);
    // The stand-in catch-all itself works: outside a procedure it takes the instruction.
    EXPECT_EQ(RaiseConditionalMove(), 1);
    EXPECT_EQ(steppedOver, 1);
    EXPECT_TRUE(prompts.shown.empty());
}
