#include "app/portlist.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace {

TEST(PortList, NaturalOrderComparesNumbersByValue) {
  EXPECT_TRUE(PortList::NaturalLess("/dev/ttyS2", "/dev/ttyS10"));
  EXPECT_FALSE(PortList::NaturalLess("/dev/ttyS10", "/dev/ttyS2"));
  EXPECT_TRUE(PortList::NaturalLess("/dev/ttyACM0", "/dev/ttyUSB0"));
  EXPECT_FALSE(PortList::NaturalLess("/dev/ttyS0", "/dev/ttyS0"));
}

TEST(PortList, ASavedCharacterDeviceIsAddedOnceAndNothingElseIs) {
  const std::vector<PortEntry> ports{{"/dev/ttyS0", ""}};
  const auto withNull = PortList::WithSavedPort(ports, "/dev/null");
  ASSERT_EQ(withNull.size(), 2u);
  EXPECT_EQ(withNull[1].name, "/dev/null");

  // Already listed, exactly: not added again.
  EXPECT_EQ(PortList::WithSavedPort(withNull, "/dev/null").size(), 2u);

  TempDir dir;
  TempDir::WriteAll(dir.File("plain"), "not a device");
  EXPECT_EQ(PortList::WithSavedPort(ports, QString::fromStdString(dir.File("plain"))).size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "/dev/does-not-exist").size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "COM1").size(), 1u);
  EXPECT_EQ(PortList::WithSavedPort(ports, "").size(), 1u);
}

}  // namespace
