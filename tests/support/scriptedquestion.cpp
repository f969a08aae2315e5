#include "support/scriptedquestion.h"

bool ScriptedQuestion::AskYesNo(const std::string& text, const std::string& caption) {
  asked.push_back(text);
  captions.push_back(caption);
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}
