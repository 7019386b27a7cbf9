#pragma once
// Makes a folder refuse writes for the running test, also when the tests run
// as root: the folder loses its write bits and, for root, this thread loses
// the capability that overrides them (CAP_DAC_OVERRIDE) until the end of the
// scope.

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(std::string path) : path_(std::move(path)) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) mode_ = st.st_mode & 07777;
    ::chmod(path_.c_str(), 0555);
    if (::geteuid() == 0 && ::syscall(SYS_capget, &header_, saved_) == 0) {
      __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
      lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
      dropped_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
  }
  ~ReadOnlyFolder() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
    ::chmod(path_.c_str(), mode_);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

  // False when writes into the folder would still succeed (root without the
  // right to give up the capability); the test should then be skipped.
  bool Effective() const {
    const std::string probe = path_ + "/.probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
  }

 private:
  std::string path_;
  mode_t mode_ = 0700;
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool dropped_ = false;
};
