// The services of a widget test: a message recorder that notes the progress
// window, a fake clock, a scripted file picker, one scripted port behind
// every upload and a record that keeps nothing.
#pragma once

#include "history/unkepthistorystore.h"
#include "services/services.h"
#include "support/fakeclock.h"
#include "support/progressobservingsink.h"
#include "support/scriptedfilepicker.h"
#include "support/scriptedport.h"
#include "support/scriptedportfactory.h"

struct TestServices {
  // The port answers as the instrument does and counts its late bytes on the
  // clock.
  TestServices() {
    port.respond = ScriptedPort::Instrument();
    port.clock = &clock;
  }
  TestServices(const TestServices&) = delete;
  TestServices& operator=(const TestServices&) = delete;

  ProgressObservingSink messages;
  FakeClock clock;
  ScriptedFilePicker files;
  ScriptedPort port;
  ScriptedPortFactory ports{port};
  UnkeptHistoryStore history;
  Services services{messages, clock, files, ports, history};
};
