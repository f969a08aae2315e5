#include "support/autoselectentry.h"

#include <gtest/gtest.h>

TAutoSelect Entry(const std::string& name, std::initializer_list<int> codes) {
  TAutoSelect entry;
  entry.SetName(name);
  for (int code : codes) EXPECT_EQ(entry.AddKey(code), 0);
  return entry;
}

std::vector<int> Codes(const TAutoSelect& entry) {
  std::vector<int> codes;
  for (unsigned i = 0; i < entry.KeyCount(); ++i) codes.push_back(entry.KeyAt(i));
  return codes;
}
