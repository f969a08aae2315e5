// What a page test puts around a page: a main window, the fake services and
// the one upload runner over them, which uploads to /dev/ttyKORA with
// "DELAY" at 10 and the service code 5173920468.
#pragma once

#include <QWidget>

#include "support/testservices.h"
#include "ui/upload/uploadrunner.h"

struct PageBench {
  QWidget mainWindow;
  TestServices fakes;
  UploadRunner runner{mainWindow, fakes.services, [] {
                        return LinkSettings{"/dev/ttyKORA", 10, "5173920468"};
                      }};
};
