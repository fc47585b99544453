/* A QEMU plugin that counts how often each instruction of the Pentium Pro that the
 * Pentium lacks (CMOVcc, FCMOVcc, FCOMI, FCOMIP, FUCOMI, FUCOMIP) runs inside one
 * address range: pallisar.exe's image, with Wine running under qemu-i386. Each such
 * run is one illegal-instruction exception taken by the program's emulation on a
 * Pentium-class processor.
 *
 *   qemu-i386 -plugin count_plugin.so,low=0x400000,high=0x...,out=FILE wine ...
 *
 * Writes "address count" lines at the end of the process. QEMU's plugin interface,
 * declared here as far as this plugin uses it (version 1, QEMU 7). */
#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef uint64_t qemu_plugin_id_t;
struct qemu_plugin_tb;
struct qemu_plugin_insn;
typedef struct qemu_info_t qemu_info_t;
enum qemu_plugin_cb_flags { QEMU_PLUGIN_CB_NO_REGS };
typedef void (*qemu_plugin_udata_cb_t)(qemu_plugin_id_t id, void* userdata);
typedef void (*qemu_plugin_vcpu_udata_cb_t)(unsigned int vcpu_index, void* userdata);
typedef void (*qemu_plugin_vcpu_tb_trans_cb_t)(qemu_plugin_id_t id, struct qemu_plugin_tb* tb);
void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t id, qemu_plugin_vcpu_tb_trans_cb_t cb);
void qemu_plugin_register_vcpu_insn_exec_cb(struct qemu_plugin_insn* insn,
                                            qemu_plugin_vcpu_udata_cb_t cb,
                                            enum qemu_plugin_cb_flags flags, void* userdata);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb* tb);
struct qemu_plugin_insn* qemu_plugin_tb_get_insn(const struct qemu_plugin_tb* tb, size_t index);
const void* qemu_plugin_insn_data(const struct qemu_plugin_insn* insn);
size_t qemu_plugin_insn_size(const struct qemu_plugin_insn* insn);
uint64_t qemu_plugin_insn_vaddr(const struct qemu_plugin_insn* insn);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t id, qemu_plugin_udata_cb_t cb, void* userdata);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

enum { kMaxPlaces = 4096 };
static struct Place {
    uint64_t address;
    uint64_t count;
} places[kMaxPlaces];
static int placeCount;
static uint64_t low, high;
static FILE* out;

static bool IsPrefix(uint8_t b) {
    return b == 0x66 || b == 0x67 || b == 0xF0 || b == 0xF2 || b == 0xF3 || b == 0x2E ||
           b == 0x36 || b == 0x3E || b == 0x26 || b == 0x64 || b == 0x65;
}

static bool IsPentiumPro(const uint8_t* code, size_t size) {
    size_t i = 0;
    while (i < size && IsPrefix(code[i])) ++i;
    if (i + 1 >= size) return false;
    const uint8_t op = code[i], next = code[i + 1];
    if (op == 0x0F) return (next & 0xF0) == 0x40;                      /* CMOVcc */
    if (op == 0xDA || op == 0xDB) {
        if (next >= 0xC0 && next <= 0xDF) return true;                 /* FCMOVcc */
    }
    return (op == 0xDB || op == 0xDF) && next >= 0xE8 && next <= 0xF7; /* F(U)COMI(P) */
}

static void Ran(unsigned int vcpu, void* place) {
    (void)vcpu;
    ((struct Place*)place)->count++;
}

static void Translated(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    (void)id;
    for (size_t i = 0; i < qemu_plugin_tb_n_insns(tb); ++i) {
        struct qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        const uint64_t address = qemu_plugin_insn_vaddr(insn);
        if (address < low || address >= high) continue;
        if (!IsPentiumPro(qemu_plugin_insn_data(insn), qemu_plugin_insn_size(insn))) continue;
        int k = 0;
        while (k < placeCount && places[k].address != address) ++k;
        if (k == kMaxPlaces) continue;
        if (k == placeCount) places[placeCount++].address = address;
        qemu_plugin_register_vcpu_insn_exec_cb(insn, Ran, QEMU_PLUGIN_CB_NO_REGS, &places[k]);
    }
}

static void Ended(qemu_plugin_id_t id, void* unused) {
    (void)id;
    (void)unused;
    for (int k = 0; k < placeCount; ++k)
        if (places[k].count)
            fprintf(out, "%llx %llu\n", (unsigned long long)places[k].address,
                    (unsigned long long)places[k].count);
    fclose(out);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t id,
                                                               const qemu_info_t* info, int argc,
                                                               char** argv) {
    (void)info;
    const char* file = "pentium_pro_count.txt";
    for (int i = 0; i < argc; ++i) {
        if (!strncmp(argv[i], "low=", 4)) low = strtoull(argv[i] + 4, NULL, 0);
        if (!strncmp(argv[i], "high=", 5)) high = strtoull(argv[i] + 5, NULL, 0);
        if (!strncmp(argv[i], "out=", 4)) file = argv[i] + 4;
    }
    out = fopen(file, "a");
    if (!out) return -1;
    qemu_plugin_register_vcpu_tb_trans_cb(id, Translated);
    qemu_plugin_register_atexit_cb(id, Ended, NULL);
    return 0;
}
