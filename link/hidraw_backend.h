#pragma once
// HID nodes of the kernel's hidraw driver: /sys/class/hidraw/hidrawN for the
// identity and report descriptor, /dev/hidrawN for the reports.

#include "link/hid_backend.h"

class CHidrawBackend : public IHidBackend {
 public:
  // sysfsFolder and devFolder are /sys/class/hidraw and /dev by default.
  explicit CHidrawBackend(std::string sysfsFolder = "/sys/class/hidraw",
                          std::string devFolder = "/dev");
  bool Enumerate(std::vector<HidNodeInfo>& nodes) override;
  bool Owns(const std::string& nodePath) const override;
  std::unique_ptr<IHidConnection> Open(const std::string& nodePath, bool read, bool write,
                                       HidNodeInfo& info) override;

 private:
  bool ReadSysfsInfo(const std::string& nodeName, HidNodeInfo& info) const;

  std::string sysfsFolder_;
  std::string devFolder_;
};
