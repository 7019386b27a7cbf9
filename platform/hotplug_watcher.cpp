// udev and inotify sources of the hot-plug watcher.

#include "platform/hotplug_watcher.h"

#include <fcntl.h>
#include <libudev.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/debug_output.h"
#include "platform/private_folder.h"

namespace {

constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t kAncestorEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

bool IsNodeFile(std::string_view name) {
  auto endsWith = [&](std::string_view suffix) {
    return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
  };
  return endsWith(".sock") || endsWith(".json");
}

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

CHotplugWatcher::CHotplugWatcher(std::string busFolder, bool useUdev)
    : busFolder_(std::move(busFolder)), useUdev_(useUdev) {
  while (busFolder_.size() > 1 && busFolder_.back() == '/') busFolder_.pop_back();
}

CHotplugWatcher::~CHotplugWatcher() {
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
  if (inotifyFd_ >= 0) ::close(inotifyFd_);
}

bool CHotplugWatcher::Start() {
  if (useUdev_ && udev_ == nullptr) {
    udev_ = udev_new();
    if (udev_ != nullptr) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ != nullptr &&
        (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
         udev_monitor_enable_receiving(monitor_) < 0)) {
      udev_monitor_unref(monitor_);
      monitor_ = nullptr;
    }
    // Drain() reads until nothing is left: the socket must not block.
    if (monitor_ != nullptr) {
      const int fd = udev_monitor_get_fd(monitor_);
      const int flags = ::fcntl(fd, F_GETFL);
      if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
      }
    }
    if (monitor_ == nullptr) DebugOutput("hotplug: no udev monitor for hidraw nodes");
  }
  if (!busFolder_.empty() && inotifyFd_ < 0) {
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0)
      DebugOutputF("hotplug: no inotify for the bus folder: %s", std::strerror(errno));
    else
      ArmBusWatch();
  }
  return HasUdev() || HasBusWatch();
}

void CHotplugWatcher::ArmBusWatch() {
  if (watch_ >= 0) ::inotify_rm_watch(inotifyFd_, watch_);
  watch_ = -1;
  watchingFolder_ = false;
  std::string reason;
  if (CheckPrivateFolder(busFolder_, &reason) == PrivateFolderState::Usable) {
    watch_ = ::inotify_add_watch(inotifyFd_, busFolder_.c_str(), kFolderEvents | IN_ONLYDIR);
    if (watch_ >= 0) {
      watchingFolder_ = true;
      return;
    }
  }
  // Missing or not trusted: watch the nearest ancestor that exists, so that
  // the folder's creation (or its repair) brings the watch back onto it.
  std::string below = busFolder_;
  std::string ancestor = ParentOf(busFolder_);
  while (true) {
    watch_ = ::inotify_add_watch(inotifyFd_, ancestor.c_str(), kAncestorEvents | IN_ONLYDIR);
    if (watch_ >= 0 || ancestor == "/" || ancestor == ".") break;
    below = ancestor;
    ancestor = ParentOf(ancestor);
  }
  // Only the entry on the way to the folder matters (the ancestor may be a
  // busy shared folder such as /tmp).
  const size_t slash = below.find_last_of('/');
  ancestorChild_ = slash == std::string::npos ? below : below.substr(slash + 1);
  if (watch_ < 0)
    DebugOutputF("hotplug: cannot watch %s or any folder above it", busFolder_.c_str());
}

std::vector<int> CHotplugWatcher::Fds() const {
  std::vector<int> fds;
  if (monitor_ != nullptr) fds.push_back(udev_monitor_get_fd(monitor_));
  if (inotifyFd_ >= 0) fds.push_back(inotifyFd_);
  return fds;
}

bool CHotplugWatcher::Drain() {
  const bool fromUdev = DrainUdev();
  const bool fromBus = DrainInotify();
  return fromUdev || fromBus;
}

bool CHotplugWatcher::DrainUdev() {
  if (monitor_ == nullptr) return false;
  bool changed = false;
  // The monitor's socket does not block: a null device means nothing is left.
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    changed = true;
    udev_device_unref(device);
  }
  return changed;
}

bool CHotplugWatcher::DrainInotify() {
  if (inotifyFd_ < 0) return false;
  bool changed = false;
  bool rearm = false;
  alignas(inotify_event) char buffer[4096];
  while (true) {
    const ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    for (ssize_t offset = 0; offset < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      const std::string_view name = event->len > 0 ? std::string_view(event->name) : "";
      if ((event->mask & IN_Q_OVERFLOW) != 0) {
        changed = rearm = true;
      } else if (event->wd != watch_) {
        continue;  // a watch given up earlier
      } else if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
        changed = rearm = true;
      } else if (watchingFolder_) {
        // The folder's own mode or owner changed: it may no longer be trusted.
        if (name.empty()) changed = rearm = true;
        if (IsNodeFile(name)) changed = true;
      } else if (name == ancestorChild_) {
        // The folder, or a folder on the way to it, appeared, went or had its
        // mode changed.
        changed = rearm = true;
      }
    }
  }
  if (rearm) ArmBusWatch();
  return changed;
}
