// bench_firstmap: how long a program takes from its start until its first
// window is on the screen (the X server maps it), in milliseconds.
//
// Usage: bench_firstmap PROGRAM [ARGS...]
// Needs an X display ($DISPLAY; bench/startup.sh starts Xvfb). The program
// is started, timed until the first ordinary top-level window is mapped,
// then sent SIGTERM and waited for. Prints the milliseconds on standard
// output; exits 1 when no window came within 30 seconds.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("Usage: bench_firstmap PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  xcb_connection_t* x = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(x) != 0) {
    std::fputs("bench_firstmap: cannot reach the X display\n", stderr);
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
  // Every top-level window is a child of the root: watching the root's
  // substructure reports each one as it is mapped.
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_void_cookie_t selected = xcb_change_window_attributes_checked(x, screen->root, XCB_CW_EVENT_MASK, &mask);
  if (xcb_generic_error_t* error = xcb_request_check(x, selected)) {
    std::free(error);
    std::fputs("bench_firstmap: cannot watch the root window\n", stderr);
    return 2;
  }

  const auto start = std::chrono::steady_clock::now();
  pid_t child = -1;
  if (::posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
    std::fprintf(stderr, "bench_firstmap: cannot start %s\n", argv[1]);
    return 2;
  }

  const auto deadline = start + std::chrono::seconds(30);
  double ms = -1;
  pollfd watch{xcb_get_file_descriptor(x), POLLIN, 0};
  while (ms < 0 && std::chrono::steady_clock::now() < deadline) {
    xcb_generic_event_t* event = xcb_poll_for_event(x);
    if (event == nullptr) {
      if (xcb_connection_has_error(x) != 0) break;
      ::poll(&watch, 1, 100);
      continue;
    }
    if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
      const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
      if (map->override_redirect == 0) {
        ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      }
    }
    std::free(event);
  }

  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  xcb_disconnect(x);
  if (ms < 0) {
    std::fputs("bench_firstmap: no window appeared\n", stderr);
    return 1;
  }
  std::printf("%.1f\n", ms);
  return 0;
}
