// Ports known by their adapter: the stable /dev/serial/by-id/ name of a serial
// device and the USB adapter behind it, from udev.
#pragma once

#include <string>

#include "history/uploadrecord.h"

// The port as chosen (a /dev/serial/by-id/ name, a /dev/ttyUSBn, or any other
// path), with its stable name and adapter where udev knows them. A by-id name
// is its own stable name. A device that does not exist, or is not a USB
// adapter (a pseudo-terminal, a built-in port), gives chosen alone. Never
// throws; reads udev each call.
UploadPort DescribePort(const std::string& chosen);

// One line for a tooltip or a listing: "FTDI FT232R USB UART, serial A10K3B2Q
// (0403:6001)"; parts that are unknown are left out; "" when adapter is none.
std::string AdapterText(const std::optional<PortAdapter>& adapter);
