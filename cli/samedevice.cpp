#include "cli/samedevice.h"

#include <sys/stat.h>

namespace {

// One port's identity: the device number for a character device, otherwise
// the file itself.
struct Identity {
  bool known = false;
  bool device = false;
  dev_t dev = 0;
  ino_t ino = 0;
};

Identity IdentityOf(const std::string& port) {
  struct stat st {};
  Identity id;
  if (::stat(port.c_str(), &st) != 0) return id;
  id.known = true;
  id.device = S_ISCHR(st.st_mode);
  // Two device nodes with one number are one device, wherever they are.
  id.dev = id.device ? st.st_rdev : st.st_dev;
  id.ino = id.device ? 0 : st.st_ino;
  return id;
}

bool Same(const Identity& a, const Identity& b) {
  return a.known && b.known && a.device == b.device && a.dev == b.dev && a.ino == b.ino;
}

}  // namespace

std::optional<SameDevice> FindSameDevice(const std::vector<std::string>& ports) {
  std::vector<Identity> ids;
  for (const std::string& port : ports) ids.push_back(IdentityOf(port));
  for (std::size_t again = 1; again < ids.size(); ++again) {
    for (std::size_t first = 0; first < again; ++first) {
      if (Same(ids[first], ids[again])) return SameDevice{first, again};
    }
  }
  return std::nullopt;
}
