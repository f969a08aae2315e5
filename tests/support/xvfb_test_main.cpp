// gtest main for tests that need a real X11 window: it starts a private Xvfb,
// points DISPLAY at it and runs the tests in one QApplication on Qt's xcb
// platform.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include "support/xvfbserver.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<XvfbServer> server;
  try {
    server = std::make_unique<XvfbServer>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  ::setenv("DISPLAY", server->Display().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::unsetenv("WAYLAND_DISPLAY");
  int result = 0;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  return result;
}
