// PortHolderFinder: which other process has a serial device, found the ways
// the system leaves to find it: a UUCP lock file, a lock on the device file
// (/proc/locks), or an open descriptor (/proc/N/fd, as fuser finds it).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// A process that has the device.
struct PortHolder {
  pid_t pid = 0;
  // Its command name (/proc/N/comm); "" when that cannot be read.
  std::string program;
};

// Looks only; never opens the device, never creates or removes a lock file.
// This process itself is never reported. Each lookup answers nothing when its
// source cannot be read.
class PortHolderFinder {
 public:
  // procRoot: where the process file system is mounted; lockFolders: where
  // lock files named LCK..NAME are looked for, in this order. Tests point
  // them at folders of their own.
  explicit PortHolderFinder(std::string procRoot = "/proc",
                            std::vector<std::string> lockFolders = {"/run/lock", "/var/lock"});

  // The live process that a lock file of device names (LCK.. and the device
  // file's name, of the path as given and after following links). The file
  // holds the process number as ASCII text or as a binary 32-bit int. A file
  // that names a process that no longer runs is left alone and ignored.
  std::optional<PortHolder> ByLockFile(const std::string& device) const;
  // The process holding a lock (flock, fcntl) on the file with this inode on
  // the file system numbered fileSystem (st_dev, st_ino).
  std::optional<PortHolder> ByFileLock(dev_t fileSystem, ino_t inode) const;
  // A process with the character device numbered device (st_rdev) open;
  // only processes whose descriptors this user may see are examined.
  std::optional<PortHolder> ByOpenDescriptor(dev_t device) const;
  // The first of the three that names a process for the device file at path.
  std::optional<PortHolder> Find(const std::string& path) const;

 private:
  // The holder pid when it runs; nothing when it does not or is this process.
  std::optional<PortHolder> Running(long pid) const;

  std::string procRoot_;
  std::vector<std::string> lockFolders_;
};
