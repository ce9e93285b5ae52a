/* Fixed random numbers for a program under test: with DRILLIX_FIXED_RANDOM
 * set to a number, every QRandomGenerator draw gives that 32-bit number.
 * Loaded with LD_PRELOAD over the one generator function that Qt's inline
 * draws call; without the variable, Qt's own generator answers. (Qt takes
 * its seed from the CPU where it can, so the system's entropy calls cannot
 * fix it.) */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>

/* quint64 QRandomGenerator::_fillRange(void *buffer, qptrdiff count) */
uint64_t _ZN16QRandomGenerator10_fillRangeEPvx(void *generator, void *buffer, long long count)
{
    static uint64_t (*real)(void *, void *, long long);
    const char *value = getenv("DRILLIX_FIXED_RANDOM");
    if (value && *value) {
        const uint32_t word = (uint32_t)strtoul(value, NULL, 10);
        for (long long i = 0; buffer && i < count; ++i)
            ((uint32_t *)buffer)[i] = word;
        return ((uint64_t)word << 32) | word;
    }
    if (!real)
        real = (uint64_t(*)(void *, void *, long long))dlsym(RTLD_NEXT, "_ZN16QRandomGenerator10_fillRangeEPvx");
    return real(generator, buffer, count);
}
