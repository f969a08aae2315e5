// Auto selections for tests, built through the model's own operations.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "autoselect/tautoselect.h"

// An entry named name holding codes in order; a code the entry refuses fails
// the test that asked for it.
TAutoSelect Entry(const std::string& name, std::initializer_list<int> codes);

// The codes entry holds, in order.
std::vector<int> Codes(const TAutoSelect& entry);
