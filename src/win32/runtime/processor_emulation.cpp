#include "win32/runtime/processor_emulation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pallisar {

namespace {

// EFLAGS bits.
constexpr uint32_t kCarry = 1u << 0;
constexpr uint32_t kParity = 1u << 2;
constexpr uint32_t kAdjust = 1u << 4;
constexpr uint32_t kZero = 1u << 6;
constexpr uint32_t kSign = 1u << 7;
constexpr uint32_t kOverflow = 1u << 11;

// x87 status and control word bits.
constexpr uint16_t kInvalid = 1u << 0;
constexpr uint16_t kDenormal = 1u << 1;
constexpr unsigned kTopShift = 11;
constexpr unsigned kEmptyTag = 3;

uint32_t Read32(uintptr_t address) {
    uint32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
    return value;
}

uint16_t Read16(uintptr_t address) {
    uint16_t value = 0;
    std::memcpy(&value, reinterpret_cast<const void*>(address), sizeof value);
    return value;
}

// The condition of a Jcc, SETcc or CMOVcc with this low nibble.
bool ConditionHolds(unsigned condition, uint32_t flags) {
    const bool carry = flags & kCarry, parity = flags & kParity, zero = flags & kZero;
    const bool sign = flags & kSign, overflow = flags & kOverflow;
    bool holds = false;
    switch (condition >> 1) {
        case 0:
            holds = overflow;
            break;
        case 1:
            holds = carry;
            break;
        case 2:
            holds = zero;
            break;
        case 3:
            holds = carry || zero;
            break;
        case 4:
            holds = sign;
            break;
        case 5:
            holds = parity;
            break;
        case 6:
            holds = sign != overflow;
            break;
        default:
            holds = zero || sign != overflow;
            break;
    }
    return (condition & 1) ? !holds : holds;
}

// The general registers in the order the instruction encoding numbers them.
DWORD& Register(CONTEXT& context, unsigned number) {
    switch (number & 7) {
        case 0:
            return context.Eax;
        case 1:
            return context.Ecx;
        case 2:
            return context.Edx;
        case 3:
            return context.Ebx;
        case 4:
            return context.Esp;
        case 5:
            return context.Ebp;
        case 6:
            return context.Esi;
        default:
            return context.Edi;
    }
}

// CMOVcc reg, reg/mem (0F 40+cc /r). `code` points at the 0F byte.
bool EmulateConditionalMove(CONTEXT& context, const uint8_t* code, bool operand16) {
    const unsigned condition = code[1] & 0x0F;
    const uint8_t modrm = code[2];
    size_t length = 3;
    const unsigned mod = modrm >> 6, reg = (modrm >> 3) & 7, rm = modrm & 7;
    uint32_t source = 0;
    if (mod == 3) {
        source = Register(context, rm);
    } else {
        uint32_t address = 0;
        if (rm == 4) {
            const uint8_t sib = code[length++];
            const unsigned scale = sib >> 6, index = (sib >> 3) & 7, base = sib & 7;
            if (index != 4) address += Register(context, index) << scale;
            if (base == 5 && mod == 0) {
                address += Read32(reinterpret_cast<uintptr_t>(code + length));
                length += 4;
            } else {
                address += Register(context, base);
            }
        } else if (rm == 5 && mod == 0) {
            address = Read32(reinterpret_cast<uintptr_t>(code + length));
            length += 4;
        } else {
            address = Register(context, rm);
        }
        if (mod == 1) {
            address +=
                static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(code[length])));
            length += 1;
        } else if (mod == 2) {
            address += Read32(reinterpret_cast<uintptr_t>(code + length));
            length += 4;
        }
        // The processor reads the source whether it moves it or not.
        source = operand16 ? Read16(address) : Read32(address);
    }
    if (ConditionHolds(condition, context.EFlags)) {
        DWORD& target = Register(context, reg);
        target = operand16 ? (target & 0xFFFF0000u) | (source & 0xFFFFu) : source;
    }
    context.Eip += static_cast<DWORD>(length);
    return true;
}

// An 80-bit extended real as the x87 keeps it.
struct Extended {
    uint64_t significand;
    uint16_t signExponent;
};

enum class Kind { Zero, Denormal, Normal, Infinity, QuietNaN, SignalingNaN, Unsupported };

Extended LoadExtended(const BYTE* bytes) {
    Extended value{};
    std::memcpy(&value.significand, bytes, 8);
    std::memcpy(&value.signExponent, bytes + 8, 2);
    return value;
}

Kind Classify(const Extended& value) {
    const unsigned exponent = value.signExponent & 0x7FFFu;
    const bool integerBit = (value.significand >> 63) != 0;
    if (exponent == 0) return value.significand == 0 ? Kind::Zero : Kind::Denormal;
    // Without its integer bit a number is of a format the 387 and later refuse.
    if (!integerBit) return Kind::Unsupported;
    if (exponent != 0x7FFFu) return Kind::Normal;
    if ((value.significand << 1) == 0) return Kind::Infinity;
    return ((value.significand >> 62) & 1) ? Kind::QuietNaN : Kind::SignalingNaN;
}

enum class Order { Less, Equal, Greater, Unordered };

struct Comparison {
    Order order = Order::Unordered;
    bool invalid = false;
    bool denormal = false;
};

// FCOMI compares as FCOM does, FUCOMI as FUCOM: only the first counts a quiet NaN
// as an invalid operand.
Comparison CompareExtended(const Extended& a, const Extended& b, bool unorderedCompare) {
    const Kind kindA = Classify(a), kindB = Classify(b);
    auto notANumber = [](Kind kind) {
        return kind == Kind::QuietNaN || kind == Kind::SignalingNaN || kind == Kind::Unsupported;
    };
    auto signals = [](Kind kind) {
        return kind == Kind::SignalingNaN || kind == Kind::Unsupported;
    };
    Comparison result;
    if (notANumber(kindA) || notANumber(kindB)) {
        result.invalid = !unorderedCompare || signals(kindA) || signals(kindB);
        return result;
    }
    result.denormal = kindA == Kind::Denormal || kindB == Kind::Denormal;
    if (kindA == Kind::Zero && kindB == Kind::Zero) {
        result.order = Order::Equal;
        return result;
    }
    const bool negativeA = (a.signExponent & 0x8000u) != 0;
    const bool negativeB = (b.signExponent & 0x8000u) != 0;
    if (negativeA != negativeB) {
        result.order = negativeA ? Order::Less : Order::Greater;
        return result;
    }
    // Magnitudes: a denormal has the exponent of the smallest normal numbers.
    const unsigned exponentA = (a.signExponent & 0x7FFFu) == 0 ? 1 : a.signExponent & 0x7FFFu;
    const unsigned exponentB = (b.signExponent & 0x7FFFu) == 0 ? 1 : b.signExponent & 0x7FFFu;
    Order magnitude = Order::Equal;
    if (exponentA != exponentB)
        magnitude = exponentA < exponentB ? Order::Less : Order::Greater;
    else if (a.significand != b.significand)
        magnitude = a.significand < b.significand ? Order::Less : Order::Greater;
    if (negativeA && magnitude != Order::Equal)
        magnitude = magnitude == Order::Less ? Order::Greater : Order::Less;
    result.order = magnitude;
    return result;
}

// The x87 state as a CONTEXT holds it (the FNSAVE image), with the registers in
// stack order: st[0] is ST(0).
struct X87State {
    uint16_t control;
    uint16_t status;
    uint16_t tags;  // two bits per physical register
    BYTE st[8][10];

    unsigned Top() const { return (status >> kTopShift) & 7; }
    unsigned Tag(unsigned stackIndex) const {
        return (tags >> (2 * ((Top() + stackIndex) & 7))) & 3;
    }
    void SetTag(unsigned stackIndex, unsigned tag) {
        const unsigned shift = 2 * ((Top() + stackIndex) & 7);
        tags = static_cast<uint16_t>((tags & ~(3u << shift)) | (tag << shift));
    }
    void Pop() {
        SetTag(0, kEmptyTag);
        BYTE first[10];
        std::memcpy(first, st[0], sizeof first);
        std::memmove(st[0], st[1], sizeof st - sizeof st[0]);
        std::memcpy(st[7], first, sizeof first);
        status =
            static_cast<uint16_t>((status & ~(7u << kTopShift)) | (((Top() + 1) & 7) << kTopShift));
    }
};

X87State LoadX87(const CONTEXT& context) {
    const FLOATING_SAVE_AREA& save = context.FloatSave;
    X87State state{};
    state.control = static_cast<uint16_t>(save.ControlWord);
    state.status = static_cast<uint16_t>(save.StatusWord);
    state.tags = static_cast<uint16_t>(save.TagWord);
    std::memcpy(state.st, save.RegisterArea, sizeof state.st);
    return state;
}

// Puts the state back where Windows takes it from when the thread goes on: the
// FNSAVE image, and the FXSAVE image as well where the context carries one.
void StoreX87(CONTEXT& context, const X87State& state) {
    FLOATING_SAVE_AREA& save = context.FloatSave;
    save.StatusWord = (save.StatusWord & 0xFFFF0000u) | state.status;
    save.TagWord = (save.TagWord & 0xFFFF0000u) | state.tags;
    std::memcpy(save.RegisterArea, state.st, sizeof state.st);
    if ((context.ContextFlags & CONTEXT_EXTENDED_REGISTERS) != CONTEXT_EXTENDED_REGISTERS) return;
    BYTE* image = context.ExtendedRegisters;
    std::memcpy(image + 2, &state.status, 2);
    BYTE abridged = 0;
    for (unsigned physical = 0; physical < 8; ++physical)
        if (((state.tags >> (2 * physical)) & 3) != kEmptyTag)
            abridged |= static_cast<BYTE>(1u << physical);
    image[4] = abridged;
    for (unsigned i = 0; i < 8; ++i) std::memcpy(image + 32 + 16 * i, state.st[i], 10);
}

// FCMOVcc ST(0), ST(i) (DA/DB C0-DF) and FCOMI, FCOMIP, FUCOMI, FUCOMIP ST(0), ST(i)
// (DB/DF E8-F7). `code` points at the DA, DB or DF byte.
bool EmulateX87(CONTEXT& context, const uint8_t* code) {
    const uint8_t opcode = code[0], modrm = code[1];
    if (modrm < 0xC0) return false;
    const unsigned group = (modrm >> 3) & 7, i = modrm & 7;
    const bool move = (opcode == 0xDA || opcode == 0xDB) && group <= 3;
    const bool compare = (opcode == 0xDB || opcode == 0xDF) && (group == 5 || group == 6);
    if (!move && !compare) return false;
    if ((context.ContextFlags & CONTEXT_FLOATING_POINT) != CONTEXT_FLOATING_POINT) return false;

    X87State x87 = LoadX87(context);
    // An empty register is a stack fault on every processor.
    if (x87.Tag(0) == kEmptyTag || x87.Tag(i) == kEmptyTag) return false;

    if (move) {
        // FCMOVB, FCMOVE, FCMOVBE, FCMOVU (DA) and their negations (DB).
        static constexpr unsigned kConditions[] = {0x2, 0x4, 0x6, 0xA};  // B, E, BE, P
        const unsigned condition = kConditions[group] | (opcode == 0xDB ? 1u : 0u);
        if (ConditionHolds(condition, context.EFlags) && i != 0) {
            std::memcpy(x87.st[0], x87.st[i], sizeof x87.st[0]);
            x87.SetTag(0, x87.Tag(i));
        }
    } else {
        const Comparison result = CompareExtended(LoadExtended(x87.st[0]), LoadExtended(x87.st[i]),
                                                  /*unorderedCompare=*/group == 5);
        uint16_t raised = result.invalid ? kInvalid : (result.denormal ? kDenormal : 0);
        // An exception that is not masked reaches the program on a real processor too.
        if ((raised & ~x87.control) != 0) return false;
        // C1 is left as it was, as the processors that have the instruction leave it.
        x87.status = static_cast<uint16_t>(x87.status | raised);
        uint32_t flags = context.EFlags & ~(kCarry | kParity | kAdjust | kZero | kSign | kOverflow);
        if (result.order == Order::Less) flags |= kCarry;
        if (result.order == Order::Equal) flags |= kZero;
        if (result.order == Order::Unordered) flags |= kZero | kParity | kCarry;
        context.EFlags = flags;
        if (opcode == 0xDF) x87.Pop();
    }
    StoreX87(context, x87);
    return true;
}

EXCEPTION_DISPOSITION __cdecl EmulationHandler(EXCEPTION_RECORD* record, void*, CONTEXT* context,
                                               void*) {
    constexpr DWORD kUnwinding = 0x2 | 0x4;  // EXCEPTION_UNWINDING, EXCEPTION_EXIT_UNWIND
    if ((record->ExceptionFlags & kUnwinding) != 0 ||
        record->ExceptionCode != EXCEPTION_ILLEGAL_INSTRUCTION || !context)
        return ExceptionContinueSearch;
    return EmulateProcessorInstruction(*context) ? ExceptionContinueExecution
                                                 : ExceptionContinueSearch;
}

}  // namespace

bool EmulateProcessorInstruction(CONTEXT& context) {
    // The control and integer registers are not looked up in ContextFlags: the context
    // of an exception always holds them, as the thread goes on from them, and what
    // Windows 95, 98 and ME put in the flags is documented nowhere. Only the x87 forms
    // and the FXSAVE image ask for their parts.
    const auto* code = reinterpret_cast<const uint8_t*>(context.Eip);
    bool operand16 = false;
    size_t prefixes = 0;
    for (;; ++prefixes) {
        if (prefixes == 4) return false;
        const uint8_t byte = code[prefixes];
        if (byte == 0x66) {
            operand16 = true;
        } else if (byte != 0xF0 && byte != 0x2E && byte != 0x3E && byte != 0x26 && byte != 0x36) {
            // CS, DS, ES and SS all start at 0 in Windows' flat memory; FS, GS and the
            // address-size prefix are not taken.
            break;
        }
    }
    const uint8_t* opcode = code + prefixes;
    const DWORD start = context.Eip;
    context.Eip += static_cast<DWORD>(prefixes);
    bool done = false;
    if (opcode[0] == 0x0F && (opcode[1] & 0xF0) == 0x40) {
        done = EmulateConditionalMove(context, opcode, operand16);
    } else if (opcode[0] == 0xDA || opcode[0] == 0xDB || opcode[0] == 0xDF) {
        done = EmulateX87(context, opcode);
        if (done) context.Eip += 2;
    }
    if (!done) context.Eip = start;
    return done;
}

// The thread's handlers are a list of registration records on its stack, headed at
// FS:[0].
ProcessorEmulationScope::ProcessorEmulationScope()
    : previous_(nullptr), handler_(reinterpret_cast<void*>(&EmulationHandler)) {
    static_assert(offsetof(ProcessorEmulationScope, handler_) == sizeof(void*));
    asm volatile("movl %%fs:0, %0" : "=r"(previous_));
    asm volatile("movl %0, %%fs:0" : : "r"(this) : "memory");
}

ProcessorEmulationScope::~ProcessorEmulationScope() {
    asm volatile("movl %0, %%fs:0" : : "r"(previous_) : "memory");
}

void RunWithProcessorEmulation(void (*body)(void*), void* argument) {
    ProcessorEmulationScope emulation;
    body(argument);
}

}  // namespace pallisar
