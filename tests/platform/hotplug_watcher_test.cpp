// The bus-folder side of the hot-plug watcher: which file changes count, and
// how the watch follows the folder when it is missing or not trusted.

#include "platform/hotplug_watcher.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

class HotplugWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ruvemo-hotplug-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Whether the watcher reports a change within the time (it is drained
  // either way).
  static bool Changed(CHotplugWatcher& watcher, int ms = 200) {
    std::vector<pollfd> fds;
    for (int fd : watcher.Fds()) fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), ms) <= 0) return false;
    return watcher.Drain();
  }
  static void Touch(const std::string& path) { std::ofstream(path) << "x"; }

  std::string root_;
};

TEST_F(HotplugWatcherTest, NodeFilesCountOtherFilesDoNot) {
  CHotplugWatcher watcher(root_, false);
  ASSERT_TRUE(watcher.Start());
  EXPECT_TRUE(watcher.HasBusWatch());
  EXPECT_FALSE(watcher.HasUdev());
  Touch(root_ + "/notes.txt");
  EXPECT_FALSE(Changed(watcher));
  Touch(root_ + "/node.json.tmp");
  EXPECT_FALSE(Changed(watcher));
  std::filesystem::rename(root_ + "/node.json.tmp", root_ + "/node.json");  // renamed into place
  EXPECT_TRUE(Changed(watcher));
  Touch(root_ + "/node.sock");
  EXPECT_TRUE(Changed(watcher));
  std::filesystem::remove(root_ + "/node.sock");
  EXPECT_TRUE(Changed(watcher));
  EXPECT_FALSE(Changed(watcher, 50));
}

TEST_F(HotplugWatcherTest, FollowsAFolderMadeLater) {
  const std::string bus = root_ + "/a/b/bus";
  CHotplugWatcher watcher(bus, false);
  ASSERT_TRUE(watcher.Start());
  Touch(root_ + "/unrelated");  // the watched ancestor's other entries count for nothing
  EXPECT_FALSE(Changed(watcher, 50));
  ASSERT_EQ(::mkdir((root_ + "/a").c_str(), 0700), 0);
  EXPECT_TRUE(Changed(watcher));
  ASSERT_EQ(::mkdir((root_ + "/a/b").c_str(), 0700), 0);
  EXPECT_TRUE(Changed(watcher));
  ASSERT_EQ(::mkdir(bus.c_str(), 0700), 0);
  EXPECT_TRUE(Changed(watcher));
  Touch(bus + "/node.sock");
  EXPECT_TRUE(Changed(watcher));
  // The folder goes away and comes back: still followed.
  std::filesystem::remove_all(bus);
  EXPECT_TRUE(Changed(watcher));
  ASSERT_EQ(::mkdir(bus.c_str(), 0700), 0);
  EXPECT_TRUE(Changed(watcher));
  Touch(bus + "/again.json");
  EXPECT_TRUE(Changed(watcher));
}

TEST_F(HotplugWatcherTest, AnUntrustedFolderIsNotWatchedUntilRepaired) {
  const std::string bus = root_ + "/bus";
  ASSERT_EQ(::mkdir(bus.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(bus.c_str(), 0777), 0);  // others may write: not trusted
  CHotplugWatcher watcher(bus, false);
  ASSERT_TRUE(watcher.Start());
  Touch(bus + "/node.sock");
  EXPECT_FALSE(Changed(watcher));
  ASSERT_EQ(::chmod(bus.c_str(), 0700), 0);
  EXPECT_TRUE(Changed(watcher));
  Touch(bus + "/other.sock");
  EXPECT_TRUE(Changed(watcher));
  // Made untrusted again: the watch leaves it.
  ASSERT_EQ(::chmod(bus.c_str(), 0777), 0);
  EXPECT_TRUE(Changed(watcher));
  Touch(bus + "/third.sock");
  EXPECT_FALSE(Changed(watcher));
}

}  // namespace
