#include "link/hidraw_backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "link/hid_report_descriptor.h"
#include "platform/debug_output.h"

// SET_REPORT of type output; older kernel headers lack it.
#ifndef HIDIOCSOUTPUT
#define HIDIOCSOUTPUT(len) _IOC(_IOC_WRITE | _IOC_READ, 'H', 0x0B, len)
#endif

namespace {

constexpr char kPrefix[] = "hidraw";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

uint32_t ReadHexFile(const std::string& path) {
  const std::string text = ReadText(path);
  return text.empty() ? 0 : static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
}

// hidrawN -> N, -1 for anything else.
int NodeNumber(const std::string& name) {
  if (name.rfind(kPrefix, 0) != 0 || name.size() == sizeof kPrefix - 1) return -1;
  int n = 0;
  for (size_t i = sizeof kPrefix - 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || n > 100000) return -1;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

std::string Parent(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

class CHidrawConnection : public IHidConnection {
 public:
  CHidrawConnection(int fd, bool numbered) : fd_(fd), numbered_(numbered) {}
  ~CHidrawConnection() override { ::close(fd_); }
  int PollFd() const override { return fd_; }

  int ReadInput(uint8_t* buffer, size_t length) override {
    if (length == 0) return 0;
    // Without numbered reports hidraw hands out the data alone; put the
    // implicit id 0 in front.
    uint8_t* target = numbered_ ? buffer : buffer + 1;
    const size_t room = numbered_ ? length : length - 1;
    const ssize_t n = ::read(fd_, target, room);
    if (n < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    if (n == 0) return -1;
    if (!numbered_) buffer[0] = 0;
    return static_cast<int>(numbered_ ? n : n + 1);
  }

  int WriteOutput(const uint8_t* report, size_t length) override {
    const ssize_t n = ::write(fd_, report, length);
    if (n < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return 1;
  }

  bool SetOutputReport(const uint8_t* report, size_t length) override {
    if (length == 0 || length > 4096) return false;
    std::vector<uint8_t> copy(report, report + length);
    return ::ioctl(fd_, HIDIOCSOUTPUT(length), copy.data()) >= 0;
  }

 private:
  int fd_;
  bool numbered_;
};

}  // namespace

CHidrawBackend::CHidrawBackend(std::string sysfsFolder, std::string devFolder)
    : sysfsFolder_(std::move(sysfsFolder)), devFolder_(std::move(devFolder)) {}

bool CHidrawBackend::Owns(const std::string& nodePath) const {
  const std::string prefix = devFolder_ + "/" + kPrefix;
  return nodePath.rfind(prefix, 0) == 0 && NodeNumber(nodePath.substr(devFolder_.size() + 1)) >= 0;
}

bool CHidrawBackend::ReadSysfsInfo(const std::string& nodeName, HidNodeInfo& info) const {
  const std::string device = sysfsFolder_ + "/" + nodeName + "/device";
  // HID_ID=0003:00001A2B:00005055
  std::istringstream uevent(ReadText(device + "/uevent"));
  std::string line;
  bool haveId = false;
  while (std::getline(uevent, line)) {
    if (line.rfind("HID_ID=", 0) == 0) {
      unsigned bus = 0, vendor = 0, product = 0;
      if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) == 3) {
        info.vendorId = static_cast<uint16_t>(vendor);
        info.productId = static_cast<uint16_t>(product);
        haveId = true;
      }
    } else if (line.rfind("HID_NAME=", 0) == 0) {
      info.name = line.substr(9);
    }
  }
  if (!haveId) return false;
  const std::string descriptor = ReadText(device + "/report_descriptor");
  info.reportDescriptor.assign(descriptor.begin(), descriptor.end());
  // The HID device sits below its USB interface, which sits below the USB
  // device; other buses have neither and leave 0.
  char resolved[PATH_MAX];
  if (::realpath(device.c_str(), resolved) != nullptr) {
    const std::string usbInterface = Parent(resolved);
    info.interfaceNumber = ReadHexFile(usbInterface + "/bInterfaceNumber");
    info.version = static_cast<uint16_t>(ReadHexFile(Parent(usbInterface) + "/bcdDevice"));
  }
  return true;
}

bool CHidrawBackend::Enumerate(std::vector<HidNodeInfo>& nodes) {
  DIR* dir = ::opendir(sysfsFolder_.c_str());
  if (dir == nullptr) return true;  // no hidraw driver: no nodes
  std::vector<std::pair<int, std::string>> names;
  while (const dirent* entry = ::readdir(dir)) {
    const int n = NodeNumber(entry->d_name);
    if (n >= 0) names.emplace_back(n, entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  for (const auto& [number, name] : names) {
    HidNodeInfo info;
    info.nodePath = devFolder_ + "/" + name;
    if (ReadSysfsInfo(name, info)) nodes.push_back(std::move(info));
  }
  return true;
}

std::unique_ptr<IHidConnection> CHidrawBackend::Open(const std::string& nodePath, bool read,
                                                     bool write, HidNodeInfo& info) {
  if (!Owns(nodePath)) return nullptr;
  const int access = read && write ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
  const int fd = ::open(nodePath.c_str(), access | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == EACCES || error == EPERM)
      DebugOutputF(
          "hidraw: no access to %s (%s): the udev rule of the supported devices is "
          "not installed or this user is not at the seat",
          nodePath.c_str(), std::strerror(error));
    else if (error != ENOENT && error != ENODEV)  // gone: the caller's business
      DebugOutputF("hidraw: cannot open %s: %s", nodePath.c_str(), std::strerror(error));
    return nullptr;
  }
  info = HidNodeInfo();
  info.nodePath = nodePath;
  hidraw_devinfo devinfo{};
  int size = 0;
  bool ok = ::ioctl(fd, HIDIOCGRAWINFO, &devinfo) >= 0 &&
            ::ioctl(fd, HIDIOCGRDESCSIZE, &size) >= 0 && size >= 0 &&
            size <= HID_MAX_DESCRIPTOR_SIZE;
  if (ok) {
    hidraw_report_descriptor descriptor{};
    descriptor.size = static_cast<uint32_t>(size);
    ok = ::ioctl(fd, HIDIOCGRDESC, &descriptor) >= 0;
    info.reportDescriptor.assign(descriptor.value, descriptor.value + size);
    info.vendorId = static_cast<uint16_t>(devinfo.vendor);
    info.productId = static_cast<uint16_t>(devinfo.product);
  }
  if (!ok) {
    ::close(fd);
    return nullptr;
  }
  HidNodeInfo fromSysfs;
  if (ReadSysfsInfo(nodePath.substr(devFolder_.size() + 1), fromSysfs)) {
    info.version = fromSysfs.version;
    info.interfaceNumber = fromSysfs.interfaceNumber;
    info.name = fromSysfs.name;
  }
  CHidReportDescriptor parsed;
  const bool numbered = parsed.Parse(info.reportDescriptor) && !parsed.Collections().empty() &&
                        parsed.Collections()[0].usesReportIds;
  return std::make_unique<CHidrawConnection>(fd, numbered);
}
