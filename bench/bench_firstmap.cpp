// bench_firstmap: how long a program takes from its start until its first
// window is on the screen and painted, in milliseconds.
//
// Usage: bench_firstmap PROGRAM [ARGS...]
// Needs an X display with the DAMAGE extension ($DISPLAY; bench/startup.sh
// starts Xvfb, which has it). The program is started and timed until its
// first ordinary top-level window has been mapped and then drawn into (the
// first damage to it after the map: the first paint). It is then sent
// SIGTERM and waited for. Prints "MAP PAINT" (both in milliseconds since the
// start) on standard output; exits 1 when no painted window came within 30
// seconds.
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>

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
  const xcb_query_extension_reply_t* damage = xcb_get_extension_data(x, &xcb_damage_id);
  if (damage == nullptr || damage->present == 0) {
    std::fputs("bench_firstmap: the X server has no DAMAGE extension\n", stderr);
    return 2;
  }
  std::free(xcb_damage_query_version_reply(x, xcb_damage_query_version(x, 1, 1), nullptr));
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
  // Every top-level window is a child of the root: watching the root's
  // substructure reports each one as it is made and as it is mapped.
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_void_cookie_t selected =
      xcb_change_window_attributes_checked(x, screen->root, XCB_CW_EVENT_MASK, &mask);
  if (xcb_generic_error_t* error = xcb_request_check(x, selected)) {
    std::free(error);
    std::fputs("bench_firstmap: cannot watch the root window\n", stderr);
    return 2;
  }

  const auto start = std::chrono::steady_clock::now();
  const auto since = [&] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  };
  pid_t child = -1;
  if (::posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
    std::fprintf(stderr, "bench_firstmap: cannot start %s\n", argv[1]);
    return 2;
  }

  const auto deadline = start + std::chrono::seconds(30);
  double mapped = -1;
  double painted = -1;
  xcb_window_t window = XCB_NONE;
  std::set<xcb_window_t> watched;
  pollfd watch{xcb_get_file_descriptor(x), POLLIN, 0};
  while (painted < 0 && std::chrono::steady_clock::now() < deadline) {
    xcb_generic_event_t* event = xcb_poll_for_event(x);
    if (event == nullptr) {
      if (xcb_connection_has_error(x) != 0) break;
      ::poll(&watch, 1, 100);
      continue;
    }
    const int type = event->response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
      // Damage is watched from the window's making on, so that no paint can
      // slip in between its map and the start of watching.
      const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
      if (created->override_redirect == 0) {
        xcb_damage_create(x, xcb_generate_id(x), created->window,
                          XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(x);
        watched.insert(created->window);
      }
    } else if (type == XCB_MAP_NOTIFY && mapped < 0) {
      const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
      if (map->override_redirect == 0 && watched.count(map->window) != 0) {
        mapped = since();
        window = map->window;
      }
    } else if (type == damage->first_event + XCB_DAMAGE_NOTIFY && mapped >= 0) {
      const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
      if (notify->drawable == window) painted = since();
    }
    std::free(event);
  }

  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  xcb_disconnect(x);
  if (painted < 0) {
    std::fputs("bench_firstmap: no painted window appeared\n", stderr);
    return 1;
  }
  std::printf("%.1f %.1f\n", mapped, painted);
  return 0;
}
