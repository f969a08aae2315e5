#include "app/portlist.h"

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
