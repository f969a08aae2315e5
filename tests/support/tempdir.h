// A temporary folder that is removed with everything in it when the object goes.
#pragma once

#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing '/'.
  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  static std::string ReadAll(const std::string& file);
  static void WriteAll(const std::string& file, const std::string& bytes);

 private:
  std::string path_;
};

// Points XDG_CONFIG_HOME at a fresh temporary folder for the object's lifetime,
// so that GetDataFolder() and the files in it belong to one test alone.
class ScopedConfigHome {
 public:
  ScopedConfigHome();
  ~ScopedConfigHome();
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::string old_;
  bool hadOld_ = false;
};
