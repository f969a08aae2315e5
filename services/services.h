// Services: everything through which the program reaches the user and the
// machine, set once by each front end and handed down by reference. The main
// window builds the window program's (message boxes, real waits, file
// dialogs, serial ports), korapc-program its own, and tests theirs from
// recorders, a fake clock and scripted ports. Nothing below a front end makes
// a service of its own.
#pragma once

class Clock;
class FilePicker;
class HistoryStore;
class MessageSink;
class PortFactory;

struct Services {
  // Every fixed message box: the link's, the file procedures', the refusals.
  // The window program calls it on the GUI thread only (the upload runner
  // brings a worker's messages there).
  MessageSink& messages;
  // Every wait of the link. Safe to call from several threads at once.
  Clock& clock;
  // The open and save dialogs.
  FilePicker& files;
  // The serial port of each upload.
  PortFactory& ports;
  // The programming record: every upload is recorded here, and the History
  // tab and korapc-program's --history read it. Safe to call from several
  // threads at once. A store that cannot be kept keeps nothing; it is never
  // absent.
  HistoryStore& history;
};
