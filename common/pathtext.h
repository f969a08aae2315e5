// Small helpers for folder paths taken from the environment.
#pragma once

#include <cstdlib>
#include <string>

// path with one '/' at its end; an empty path becomes "/".
inline std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// The value of the environment variable name, or "" when it is not set.
inline std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}
