// Lines of text written out by a thread of their own, so that the thread
// that answers the line never waits for a disk.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class LogWriter {
 public:
  // fd: where the lines go, e.g. standard output; not owned, must stay open
  // until the object is destroyed. Starts the writing thread, which takes the
  // calling thread's signal mask.
  explicit LogWriter(int fd);
  // Writes every line added so far, then ends the thread.
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  // Queues line and a newline for writing, in the order of the calls; never
  // waits for the output. Any thread.
  void Add(const std::string& line);

 private:
  void Run();

  int fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::string pending_;  // guarded by mutex_
  bool stopping_ = false;  // guarded by mutex_
  std::thread thread_;
};
