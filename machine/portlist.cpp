#include "machine/portlist.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

#include "machine/koraglobals.h"
#include "machine/ttydevice.h"

// Written out rather than left to QCollator, whose numeric mode depends on the
// locale and does nothing in the C locale.
bool PortList::NaturalLess(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const qsizetype startA = i;
      const qsizetype startB = j;
      while (i < a.size() && a[i].isDigit()) ++i;
      while (j < b.size() && b[j].isDigit()) ++j;
      // Compare the runs by value: without leading zeros, a longer run is larger.
      QStringView runA = QStringView(a).mid(startA, i - startA);
      QStringView runB = QStringView(b).mid(startB, j - startB);
      while (runA.size() > 1 && runA.front() == u'0') runA = runA.mid(1);
      while (runB.size() > 1 && runB.front() == u'0') runB = runB.mid(1);
      if (runA.size() != runB.size()) return runA.size() < runB.size();
      if (const int c = runA.compare(runB); c != 0) return c < 0;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return (a.size() - i) < (b.size() - j);
}

std::map<QString, QString> PortList::StableNames(const QString& byIdFolder) {
  std::map<QString, QString> names;
  // Name order, so that a device with two links always gets the same one.
  const QDir folder(byIdFolder);
  for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
    if (!link.isSymLink()) continue;
    const QString device = link.canonicalFilePath();  // empty when the link leads nowhere
    if (!device.isEmpty()) names.emplace(device, link.absoluteFilePath());
  }
  return names;
}

QString PortList::SavedName(const PortEntry& port) {
  return port.stableName.isEmpty() ? port.name : port.stableName;
}

bool PortList::IsNamedBy(const PortEntry& port, const QString& savedName) {
  return port.name == savedName || (!port.stableName.isEmpty() && port.stableName == savedName);
}

QString PortList::ToolTip(const PortEntry& port) {
  QStringList lines;
  if (!port.description.isEmpty()) lines << port.description;
  if (!port.serialNumber.isEmpty()) lines << "Serial number: " + port.serialNumber;
  if (!port.stableName.isEmpty()) lines << port.stableName;
  return lines.join('\n');
}

std::vector<PortEntry> PortList::PresentPorts() {
  std::vector<PortEntry> ports;
  const std::map<QString, QString> stableNames = StableNames();
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    QString description = info.description();
    if (!info.manufacturer().isEmpty()) {
      description += (description.isEmpty() ? "" : " - ") + info.manufacturer();
    }
    const auto stable = stableNames.find(QFileInfo(info.systemLocation()).canonicalFilePath());
    ports.push_back({info.systemLocation(), description, false, info.serialNumber(),
                     stable == stableNames.end() ? QString() : stable->second});
  }
  std::sort(ports.begin(), ports.end(),
            [](const PortEntry& a, const PortEntry& b) { return NaturalLess(a.name, b.name); });
  // Only a link of our own in our own folder: anywhere else another user
  // could have planted it to receive the service code and the upload.
  const std::string virtualKora = GetVirtualKoraLinkPath();
  if (ttydevice::IsOwnPseudoTerminalLink(virtualKora)) {
    ports.push_back({QString::fromLocal8Bit(virtualKora.c_str()), "Virtual KORA-1"});
  }
  return ports;
}

std::vector<PortEntry> PortList::WithSavedPort(std::vector<PortEntry> ports,
                                               const QString& savedPort) {
  const bool listed = std::any_of(ports.begin(), ports.end(),
                                  [&](const PortEntry& p) { return IsNamedBy(p, savedPort); });
  const std::string path = savedPort.toLocal8Bit().toStdString();
  if (!listed && ttydevice::IsTerminalDevice(path) && !ttydevice::IsForeignLink(path)) {
    ports.push_back({savedPort, "From korapc.ini"});
  }
  return ports;
}

std::vector<PortEntry> PortList::Refreshed(std::vector<PortEntry> present, const QString& savedPort,
                                           const PortEntry& chosen) {
  std::vector<PortEntry> ports = WithSavedPort(std::move(present), savedPort);
  const bool listed = std::any_of(ports.begin(), ports.end(), [&](const PortEntry& p) {
    return chosen.stableName.isEmpty() ? p.name == chosen.name : p.stableName == chosen.stableName;
  });
  if (!chosen.name.isEmpty() && !listed) {
    ports.push_back({chosen.name, "Not present", true, chosen.serialNumber, chosen.stableName});
  }
  return ports;
}
