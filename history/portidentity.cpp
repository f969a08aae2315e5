#include "history/portidentity.h"

#include <libudev.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

namespace {

constexpr const char* kByIdFolder = "/dev/serial/by-id/";

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string Property(udev_device* device, const char* name) {
  const char* value = udev_device_get_property_value(device, name);
  return value ? value : "";
}

// udev's names are escaped for the shell ("FT232R\x20USB\x20UART"); the
// *_ENC forms are not cleaned up, so the plain ones are read and only the
// underscores udev put for blanks are turned back.
std::string Readable(std::string text) {
  for (char& c : text) {
    if (c == '_') c = ' ';
  }
  return text;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const auto resolved = std::filesystem::canonical(path, ec);
  return ec ? std::string() : resolved.string();
}

// The by-id link that leads to device, found in the folder itself, for a
// system whose udev database is not at hand.
std::string ByIdLinkTo(const std::string& device) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(kByIdFolder, ec)) {
    if (Canonical(entry.path().string()) == device) return entry.path().string();
  }
  return "";
}

}  // namespace

UploadPort DescribePort(const std::string& chosen) {
  UploadPort port;
  port.chosen = chosen;
  const std::string device = Canonical(chosen);
  struct stat info {};
  if (device.empty() || ::stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return port;
  if (chosen.rfind(kByIdFolder, 0) == 0) port.stable = chosen;

  const std::unique_ptr<udev, UdevDeleter> context(udev_new());
  const std::unique_ptr<udev_device, UdevDeleter> node(
      context ? udev_device_new_from_devnum(context.get(), 'c', info.st_rdev) : nullptr);
  if (node) {
    if (port.stable.empty()) {
      std::istringstream links(Property(node.get(), "DEVLINKS"));
      std::string link;
      while (links >> link) {
        if (link.rfind(kByIdFolder, 0) == 0) {
          port.stable = link;
          break;
        }
      }
    }
    // The USB device's properties, from the tty node or the usb_device above it.
    udev_device* usb =
        udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_device");
    PortAdapter adapter;
    adapter.vendorId = Property(node.get(), "ID_VENDOR_ID");
    adapter.productId = Property(node.get(), "ID_MODEL_ID");
    adapter.vendor = Property(node.get(), "ID_VENDOR_FROM_DATABASE");
    if (adapter.vendor.empty()) adapter.vendor = Readable(Property(node.get(), "ID_VENDOR"));
    adapter.model = Property(node.get(), "ID_MODEL_FROM_DATABASE");
    if (adapter.model.empty()) adapter.model = Readable(Property(node.get(), "ID_MODEL"));
    adapter.serialNumber = Property(node.get(), "ID_SERIAL_SHORT");
    if (usb) {
      auto attribute = [usb](const char* name) {
        const char* value = udev_device_get_sysattr_value(usb, name);
        return std::string(value ? value : "");
      };
      if (adapter.vendorId.empty()) adapter.vendorId = attribute("idVendor");
      if (adapter.productId.empty()) adapter.productId = attribute("idProduct");
      if (adapter.vendor.empty()) adapter.vendor = attribute("manufacturer");
      if (adapter.model.empty()) adapter.model = attribute("product");
      if (adapter.serialNumber.empty()) adapter.serialNumber = attribute("serial");
    }
    if (!adapter.vendorId.empty() || usb) port.adapter = adapter;
  }
  if (port.stable.empty()) port.stable = ByIdLinkTo(device);
  return port;
}

std::string AdapterText(const std::optional<PortAdapter>& adapter) {
  if (!adapter) return "";
  std::string text = adapter->vendor;
  if (!adapter->model.empty()) text += (text.empty() ? "" : " ") + adapter->model;
  if (!adapter->serialNumber.empty()) {
    text += (text.empty() ? "serial " : ", serial ") + adapter->serialNumber;
  }
  if (!adapter->vendorId.empty() || !adapter->productId.empty()) {
    text += (text.empty() ? "(" : " (") + adapter->vendorId + ":" + adapter->productId + ")";
  }
  return text;
}
