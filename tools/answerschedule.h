// When the virtual KORA-1's answers go out: a fixed latency plus a random
// jitter after the byte each one answers, in the order the bytes came, as an
// instrument behind a slow adapter would answer. Knows nothing of terminals.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>

class AnswerSchedule {
 public:
  using Clock = std::chrono::steady_clock;

  // latency, jitter: 0 or more. seed: the jitter's random sequence; the same
  // seed gives the same answer times.
  AnswerSchedule(std::chrono::microseconds latency, std::chrono::microseconds jitter,
                 std::uint32_t seed);

  // Queues answer, the bytes that answer one byte received at received. It is
  // due latency plus a jitter drawn evenly from 0 to jitter after received,
  // but never before an answer queued earlier: a line delivers in order. An
  // empty answer queues nothing and draws no jitter.
  void Add(const std::string& answer, Clock::time_point received);

  // When the first queued answer is due; nothing when none is queued.
  std::optional<Clock::time_point> NextDue() const;

  // Removes every answer due at now or earlier and returns its bytes, in order.
  std::string TakeDue(Clock::time_point now);

  // Drops every queued answer (the line hung up).
  void Clear() { queue_.clear(); }

 private:
  struct Answer {
    std::string bytes;
    Clock::time_point due;
  };

  std::chrono::microseconds latency_;
  std::chrono::microseconds jitter_;
  std::mt19937 random_;
  std::deque<Answer> queue_;
};
