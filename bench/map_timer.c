/* SPDX-License-Identifier: MIT */
/* Starts a program on the current X display and prints, on one line, the milliseconds from the start
 * of the process until its first top-level window is mapped and managed by the window manager,
 * and the program's resident memory in KiB once the window is shown. Then ends the program.
 *   map_timer SETTLE_MS PROGRAM [ARGS...]
 * A window counts when it is viewable and carries WM_STATE (the window manager has taken it on) and
 * did not exist before the start; the display is expected to hold nothing else that starts. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static Window known[4096];
static int known_count = 0;
static int is_known(Window w) {
  for (int i = 0; i < known_count; ++i)
    if (known[i] == w) return 1;
  return 0;
}

static int ignore_errors(Display* display, XErrorEvent* error) {
  (void)display;
  (void)error;
  return 0; /* windows come and go while we look */
}

/* Visits the root's children and grandchildren (window managers put clients in frames). */
static int find_new_client(Display* display, Window at, int depth, Atom wm_state, int remember) {
  Window root, parent, *children = NULL;
  unsigned int count = 0;
  if (!XQueryTree(display, at, &root, &parent, &children, &count)) return 0;
  int found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    Window w = children[i];
    if (remember) {
      if (known_count < 4096) known[known_count++] = w;
    } else if (!is_known(w)) {
      XWindowAttributes attributes;
      Atom type;
      int format;
      unsigned long items, after;
      unsigned char* data = NULL;
      if (XGetWindowAttributes(display, w, &attributes) && attributes.map_state == IsViewable &&
          XGetWindowProperty(display, w, wm_state, 0, 1, False, AnyPropertyType, &type, &format, &items, &after,
                             &data) == Success && type != None) {
        found = 1;
      }
      if (data) XFree(data);
    }
    if (!found && depth < 2) found = find_new_client(display, w, depth + 1, wm_state, remember);
  }
  if (children) XFree(children);
  return found;
}

static long resident_kib(pid_t pid) {
  char path[64], line[256];
  snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
  FILE* status = fopen(path, "r");
  long kib = -1;
  if (!status) return -1;
  while (fgets(line, sizeof line, status))
    if (strncmp(line, "VmRSS:", 6) == 0) kib = strtol(line + 6, NULL, 10);
  fclose(status);
  return kib;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: map_timer SETTLE_MS PROGRAM [ARGS...]\n");
    return 2;
  }
  const long settle_ms = strtol(argv[1], NULL, 10);
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "map_timer: no X display\n");
    return 2;
  }
  XSetErrorHandler(ignore_errors);
  const Atom wm_state = XInternAtom(display, "WM_STATE", False);
  find_new_client(display, DefaultRootWindow(display), 0, wm_state, 1);

  const double start = now_ms();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  double mapped = -1;
  while (mapped < 0) {
    if (find_new_client(display, DefaultRootWindow(display), 0, wm_state, 0)) {
      mapped = now_ms() - start;
      break;
    }
    int status;
    if (waitpid(child, &status, WNOHANG) == child) {
      fprintf(stderr, "map_timer: %s ended before showing a window\n", argv[2]);
      return 1;
    }
    if (now_ms() - start > 30000) {
      fprintf(stderr, "map_timer: %s showed no window in 30 s\n", argv[2]);
      kill(child, SIGKILL);
      return 1;
    }
    struct timespec pause = {0, 250000};
    nanosleep(&pause, NULL);
  }
  struct timespec settle = {settle_ms / 1000, (settle_ms % 1000) * 1000000};
  nanosleep(&settle, NULL);
  const long kib = resident_kib(child);
  kill(child, SIGTERM);
  int status;
  waitpid(child, &status, 0);
  printf("%.1f %ld\n", mapped, kib);
  XCloseDisplay(display);
  return 0;
}
