/*
 * A pointer for end-to-end tests under a wlroots compositor, driven by
 * commands on standard input, one a line:
 *
 *   move X Y     pointer to output pixel (X, Y)
 *   press        left button down
 *   release      left button up
 *   quit
 *
 * Each command goes out as one pointer frame, and "ok" is printed once the
 * compositor has handled it, so that the caller can keep in step; a command
 * that cannot be sent prints "error: ..." instead.
 *
 * Usage: drillix-virtual-pointer WIDTH HEIGHT (the output's size in pixels)
 */

#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

static struct zwlr_virtual_pointer_manager_v1 *pointerManager;

static void addGlobal(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
                      uint32_t version)
{
    (void)data;
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        pointerManager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static void removeGlobal(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {addGlobal, removeGlobal};

static uint32_t milliseconds(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

static int parseExtent(const char *text, uint32_t *extent)
{
    char *end;
    long value = strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value <= 0 || value > 65535)
        return 0;
    *extent = (uint32_t)value;
    return 1;
}

int main(int argc, char **argv)
{
    uint32_t width, height;
    if (argc != 3 || !parseExtent(argv[1], &width) || !parseExtent(argv[2], &height)) {
        fprintf(stderr, "usage: %s WIDTH HEIGHT (the output's size in pixels)\n", argv[0]);
        return 2;
    }
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "cannot connect to the Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!pointerManager) {
        fprintf(stderr, "the compositor offers no zwlr_virtual_pointer_manager_v1\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1 *pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointerManager, NULL);

    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = '\0';
        long x, y;
        char rest;
        if (sscanf(line, "move %ld %ld %c", &x, &y, &rest) == 2) {
            if (x < 0 || y < 0 || x >= (long)width || y >= (long)height) {
                printf("error: %ld,%ld is outside the %ux%u output\n", x, y, width, height);
                fflush(stdout);
                continue;
            }
            zwlr_virtual_pointer_v1_motion_absolute(pointer, milliseconds(), (uint32_t)x, (uint32_t)y, width,
                                                    height);
        } else if (strcmp(line, "press") == 0 || strcmp(line, "release") == 0) {
            zwlr_virtual_pointer_v1_button(pointer, milliseconds(), BTN_LEFT,
                                           line[0] == 'p' ? WL_POINTER_BUTTON_STATE_PRESSED
                                                          : WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (strcmp(line, "quit") == 0) {
            break;
        } else {
            printf("error: unknown command '%s'\n", line);
            fflush(stdout);
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "lost the connection to the compositor\n");
            return 1;
        }
        printf("ok\n");
        fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(pointerManager);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
