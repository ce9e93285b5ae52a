/* A fixed wall-clock time for a program under test: with DRILLIX_FIXED_TIME
 * set to seconds since the epoch, clock_gettime(CLOCK_REALTIME) and time()
 * return that second exactly. Loaded with LD_PRELOAD; other clocks, and
 * everything without the variable, are left alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>

static int fixed(struct timespec *ts)
{
    const char *value = getenv("DRILLIX_FIXED_TIME");
    if (!value || !*value)
        return 0;
    ts->tv_sec = (time_t)strtoll(value, NULL, 10);
    ts->tv_nsec = 0;
    return 1;
}

int clock_gettime(clockid_t clock, struct timespec *ts)
{
    static int (*real)(clockid_t, struct timespec *);
    if ((clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE) && ts && fixed(ts))
        return 0;
    if (!real)
        real = (int (*)(clockid_t, struct timespec *))dlsym(RTLD_NEXT, "clock_gettime");
    return real(clock, ts);
}

time_t time(time_t *out)
{
    struct timespec ts;
    if (!fixed(&ts))
        clock_gettime(CLOCK_REALTIME, &ts);
    if (out)
        *out = ts.tv_sec;
    return ts.tv_sec;
}
