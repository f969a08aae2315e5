// A Question for tests: answers each question from a queue and records what
// was asked.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/question.h"

class ScriptedQuestion : public Question {
 public:
  // Takes the next answer; with none left the answer is No.
  bool AskYesNo(const std::string& text, const std::string& caption) override;

  std::deque<bool> answers;
  std::vector<std::string> asked;     // the texts, in order
  std::vector<std::string> captions;  // the captions, in order
};
