#include "app/portlist.h"

#include <QCollator>
#include <QSerialPortInfo>
#include <algorithm>
#include <sys/stat.h>

#include "app/koraglobals.h"

namespace {

bool IsCharacterDevice(const QString& path) {
  struct stat st{};
  return !path.isEmpty() && ::stat(path.toLocal8Bit().constData(), &st) == 0 && S_ISCHR(st.st_mode);
}

}  // namespace

bool PortList::NaturalLess(const QString& a, const QString& b) {
  QCollator collator;
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseSensitive);
  return collator.compare(a, b) < 0;
}

std::vector<PortEntry> PortList::PresentPorts() {
  std::vector<PortEntry> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    QString description = info.description();
    if (!info.manufacturer().isEmpty()) {
      description += (description.isEmpty() ? "" : " - ") + info.manufacturer();
    }
    ports.push_back({info.systemLocation(), description});
  }
  std::sort(ports.begin(), ports.end(),
            [](const PortEntry& a, const PortEntry& b) { return NaturalLess(a.name, b.name); });
  const QString virtualKora = QString::fromUtf8(kora::kVirtualKoraPath);
  if (IsCharacterDevice(virtualKora)) ports.push_back({virtualKora, "Virtual KORA-1"});
  return ports;
}

std::vector<PortEntry> PortList::WithSavedPort(std::vector<PortEntry> ports, const QString& savedPort) {
  const bool listed = std::any_of(ports.begin(), ports.end(),
                                  [&](const PortEntry& p) { return p.name == savedPort; });
  if (!listed && IsCharacterDevice(savedPort)) ports.push_back({savedPort, "From korapc.ini"});
  return ports;
}
