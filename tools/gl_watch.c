/* gl_watch: a shim preloaded into a GLUT program (LD_PRELOAD) that watches it from outside.
 *
 * It wraps glutSwapBuffers: every call is one frame. Before each frame is handed on, it
 * drains GL's error flags, so an error raised anywhere in the frame's drawing is counted.
 * The program itself never asks GL for errors; only this shim does.
 *
 * Report: when PLUVINA_WATCH_REPORT names a file, one line is written there
 *     frames=N first_frame_ms=X seconds=Y fps=Z max_gap_ms=G max_gap_at=S gl_errors=K
 *     first_error=0xE error_codes=0xE,0xF final=0|1
 * (one line; wrapped here). first_frame_ms runs from the shim's start (before main) to the
 * end of the first swap; seconds from the shim's start to the report; fps counts the frames
 * after the first over the time since it; max_gap_ms is the longest time between two swaps
 * and max_gap_at when (seconds from the shim's start) that gap ended;
 * gl_errors counts error flags, first_error is the first of them (0x0 when none),
 * error_codes lists the distinct codes in order of appearance ("-" when none).
 * The line is rewritten about once a second while frames are drawn (final=0), so a watcher
 * can follow a long run, and once more when the process exits (final=1). Each write goes to
 * a temporary file that is then renamed, so a reader never sees half a line.
 *
 * PLUVINA_WATCH_INJECT_ERROR=1 makes the shim itself raise one GL_INVALID_ENUM just before
 * it drains the flags of the first frame: the tests use it to prove that an error reaches the
 * report.
 *
 * Usage: LD_PRELOAD=/path/libgl_watch.so PLUVINA_WATCH_REPORT=/tmp/r.txt ./pluvina
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* GL's error codes are plain unsigned ints; GL's header is not needed for that. */
typedef unsigned int watch_enum;
#define WATCH_NO_ERROR 0u
/* A context that keeps raising flags must not keep the swap waiting forever. */
#define WATCH_MAX_DRAIN 64

static double g_start_ms;
static double g_first_swap_ms = -1.0;
static double g_last_swap_ms = -1.0;
static double g_last_write_ms = -1.0;
static double g_max_gap_ms;
static double g_max_gap_end_ms;
static unsigned long long g_frames;
static unsigned long long g_errors;
static watch_enum g_first_error = WATCH_NO_ERROR;
/* The distinct codes seen, in order of first appearance (GL has only a handful). */
#define WATCH_MAX_CODES 8
static watch_enum g_codes[WATCH_MAX_CODES];
static int g_code_count;

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1000.0 + (double)ts.tv_nsec / 1e6;
}

static void write_report(int final) {
    const char* path = getenv("PLUVINA_WATCH_REPORT");
    if (path == NULL || path[0] == '\0')
        return;
    const double now = now_ms();
    const double first = g_first_swap_ms < 0.0 ? -1.0 : g_first_swap_ms - g_start_ms;
    double fps = 0.0;
    if (g_frames > 1 && g_last_swap_ms > g_first_swap_ms)
        fps = (double)(g_frames - 1) * 1000.0 / (g_last_swap_ms - g_first_swap_ms);

    char tmp[4096];
    if (snprintf(tmp, sizeof tmp, "%s.tmp", path) >= (int)sizeof tmp)
        return;
    FILE* f = fopen(tmp, "w");
    if (f == NULL)
        return;
    char codes[WATCH_MAX_CODES * 11 + 1] = "-";
    for (int k = 0, at = 0; k < g_code_count; ++k)
        at += snprintf(codes + at, sizeof codes - (size_t)at, "%s0x%x", k ? "," : "", g_codes[k]);
    fprintf(f,
            "frames=%llu first_frame_ms=%.1f seconds=%.2f fps=%.1f max_gap_ms=%.1f "
            "max_gap_at=%.2f gl_errors=%llu first_error=0x%x error_codes=%s final=%d\n",
            g_frames, first, (now - g_start_ms) / 1000.0, fps, g_max_gap_ms,
            (g_max_gap_end_ms - g_start_ms) / 1000.0, g_errors, g_first_error, codes, final);
    if (fclose(f) == 0)
        rename(tmp, path);
    else
        remove(tmp);
}

static void drain_errors(void) {
    typedef watch_enum (*get_error_fn)(void);
    static get_error_fn get_error;
    if (get_error == NULL)
        get_error = (get_error_fn)dlsym(RTLD_DEFAULT, "glGetError");
    if (get_error == NULL)
        return;
    for (int i = 0; i < WATCH_MAX_DRAIN; ++i) {
        const watch_enum e = get_error();
        if (e == WATCH_NO_ERROR)
            break;
        if (g_errors == 0)
            g_first_error = e;
        ++g_errors;
        int known = 0;
        for (int k = 0; k < g_code_count; ++k)
            known |= g_codes[k] == e;
        if (!known && g_code_count < WATCH_MAX_CODES)
            g_codes[g_code_count++] = e;
    }
}

void glutSwapBuffers(void) {
    typedef void (*swap_fn)(void);
    static swap_fn real_swap;
    if (real_swap == NULL)
        real_swap = (swap_fn)dlsym(RTLD_NEXT, "glutSwapBuffers");

    if (g_frames == 0 && getenv("PLUVINA_WATCH_INJECT_ERROR") != NULL) {
        typedef void (*enable_fn)(watch_enum);
        const enable_fn enable = (enable_fn)dlsym(RTLD_DEFAULT, "glEnable");
        if (enable != NULL)
            enable(0u); /* not a capability: GL_INVALID_ENUM */
    }
    drain_errors();
    if (real_swap != NULL)
        real_swap();

    const double now = now_ms();
    if (g_last_swap_ms >= 0.0 && now - g_last_swap_ms > g_max_gap_ms) {
        g_max_gap_ms = now - g_last_swap_ms;
        g_max_gap_end_ms = now;
    }
    if (g_first_swap_ms < 0.0)
        g_first_swap_ms = now;
    g_last_swap_ms = now;
    ++g_frames;

    if (g_last_write_ms < 0.0 || now - g_last_write_ms >= 1000.0) {
        g_last_write_ms = now;
        write_report(0);
    }
}

__attribute__((constructor)) static void watch_start(void) {
    g_start_ms = now_ms();
}

/* Runs at exit() (the program ends from its keyboard handler) and at a return from main.
 * Processes without GLUT (a shell that inherited LD_PRELOAD, say) write nothing, so they
 * cannot overwrite the report of the program being watched. */
__attribute__((destructor)) static void watch_stop(void) {
    if (g_frames == 0 && dlsym(RTLD_NEXT, "glutSwapBuffers") == NULL)
        return;
    write_report(1);
}
