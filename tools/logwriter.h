// Lines of text written out by a thread of their own, so that the thread
// that answers the line never waits for a disk, nor for a lock that a thread
// of lower priority holds.
#pragma once

#include <string>
#include <thread>

class LogWriter {
 public:
  // fd: where the lines go, e.g. standard output; not owned, must stay open
  // until the object is destroyed. Starts the writing thread, which takes the
  // calling thread's signal mask and scheduling.
  explicit LogWriter(int fd);
  // Writes every line added so far, then ends the thread.
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Queues line and a newline for writing, after every line added before;
  // never waits. One thread at a time.
  void Add(const std::string& line);

 private:
  // Passes as much of backlog_ to the writing thread as it has room for.
  void HandOver();
  void Run();

  int out_;
  // The queue to the writing thread: a pipe, which this end fills without
  // waiting and with no lock of its own.
  int queue_[2] = {-1, -1};
  std::string backlog_;  // lines the queue had no room for yet
  std::thread thread_;
};
