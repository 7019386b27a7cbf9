#pragma once
// Tells when HID nodes may have come or gone, so that discovery scans on
// change instead of on a clock. Two sources, each optional:
// - a udev monitor on the hidraw subsystem (add, remove, change of a node);
// - inotify on the virtual HID bus folder: a node's S.sock or S.json created,
//   renamed into place or removed. While the folder is missing, or is not a
//   folder this user may trust (platform/private_folder.h), its nearest
//   existing ancestor is watched instead, so that its creation or repair is
//   noticed and the watch moves onto it.
//
// One thread uses an instance: it polls Fds() and calls Drain() when any of
// them is readable.

#include <string>
#include <vector>

struct udev;
struct udev_monitor;

class CHotplugWatcher {
 public:
  // busFolder: the virtual HID bus folder to watch; empty watches no bus.
  // useUdev: false leaves the hidraw monitor out (tests with a private bus).
  CHotplugWatcher(std::string busFolder, bool useUdev);
  ~CHotplugWatcher();
  CHotplugWatcher(const CHotplugWatcher&) = delete;
  CHotplugWatcher& operator=(const CHotplugWatcher&) = delete;

  // Sets up the sources that can be had; false when none can.
  bool Start();
  bool HasUdev() const { return monitor_ != nullptr; }
  bool HasBusWatch() const { return inotifyFd_ >= 0 && watch_ >= 0; }

  // Descriptors to poll for reading.
  std::vector<int> Fds() const;

  // Reads everything pending without blocking; true when something that may
  // change the list of nodes happened.
  bool Drain();

 private:
  bool DrainUdev();
  bool DrainInotify();
  void ArmBusWatch();  // watch the folder, or its nearest existing ancestor

  std::string busFolder_;
  bool useUdev_;
  struct udev* udev_ = nullptr;
  struct udev_monitor* monitor_ = nullptr;
  int inotifyFd_ = -1;
  int watch_ = -1;
  bool watchingFolder_ = false;  // false: an ancestor stands in
  std::string ancestorChild_;    // the ancestor's entry on the way to the folder
};
