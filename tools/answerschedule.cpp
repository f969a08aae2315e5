#include "tools/answerschedule.h"

#include <algorithm>

AnswerSchedule::AnswerSchedule(std::chrono::microseconds latency, std::chrono::microseconds jitter,
                               std::uint32_t seed)
    : latency_(latency), jitter_(jitter), random_(seed) {}

void AnswerSchedule::Add(const std::string& answer, Clock::time_point received) {
  if (answer.empty()) return;
  Clock::time_point due = received + latency_;
  if (jitter_.count() > 0) {
    std::uniform_int_distribution<std::chrono::microseconds::rep> draw(0, jitter_.count());
    due += std::chrono::microseconds(draw(random_));
  }
  if (!queue_.empty()) due = std::max(due, queue_.back().due);
  queue_.push_back({answer, due});
}

std::optional<AnswerSchedule::Clock::time_point> AnswerSchedule::NextDue() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().due;
}

std::string AnswerSchedule::TakeDue(Clock::time_point now) {
  std::string bytes;
  while (!queue_.empty() && queue_.front().due <= now) {
    bytes += queue_.front().bytes;
    queue_.pop_front();
  }
  return bytes;
}
