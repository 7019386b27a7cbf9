#pragma once
// Helpers for tests that talk to the simulator over the virtual HID bus of a
// BusFolderTest: a simulator without its timing model, the path of one
// collection of a product's node, and a command channel opened on a path.

#include <memory>
#include <mutex>
#include <string>

#include "link/device_channel.h"
#include "link/hid_device.h"
#include "sim/simulator.h"

// A simulator on `folder` that answers at once (no timing model).
inline std::unique_ptr<CSimulator> MakeQuickSimulator(const std::string& folder) {
  SimulatorOptions options;
  options.busFolder = folder;
  options.timing = false;
  return std::make_unique<CSimulator>(options);
}

// The interface path of `collection` (for example "&col04") of the product's
// cable node, or of its receiver's node; empty when it is not listed.
inline std::string SimCollectionPath(CSimulator& sim, SimProduct product, const char* collection,
                                     bool receiver = false) {
  const std::string socket = sim.SocketPath(product, receiver);
  CHidDevice enumerator;
  if (!enumerator.BeginEnumeration()) return {};
  std::string path;
  while (auto p = enumerator.NextDevicePath())
    if (p->rfind(socket + "?", 0) == 0 && p->find(collection) != std::string::npos) path = *p;
  return path;
}

// Opens the channel's wired record on `path` as discovery does for a cable
// connection.
inline bool OpenWiredChannel(CDeviceChannel& channel, const std::string& path) {
  return channel.OpenRecord(false, path, 1);
}
