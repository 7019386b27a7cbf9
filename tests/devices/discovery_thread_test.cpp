// The discovery thread against the simulator on a private bus folder:
// arrivals, removals, the first-scan notice, stopping during a blocked
// hand-over, and sleeping while nothing changes.

#include "devices/discovery_thread.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim/simulator.h"
#include "tests/support/bus_folder_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// Records every hand-over with the row's path as the handler sees it; can
// hold hand-overs until released, as a busy user-interface thread would.
class RecordingSink : public IDiscoverySink {
 public:
  struct Event {
    bool arrived;
    int index;
    std::string path;
  };

  void Attach(const CConnectionTable* table) { table_ = table; }

  bool OnInterfaceArrived(int index) override { return Hand(true, index); }
  bool OnInterfaceRemoved(int index) override { return Hand(false, index); }
  void OnFirstScanComplete() override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++firstScans_;
    changed_.notify_all();
  }
  void OnStopRequested() override {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

  void SetHold(bool hold) {
    std::lock_guard<std::mutex> lock(mutex_);
    hold_ = hold;
    changed_.notify_all();
  }

  // Waits until the rows have arrived (or been removed), 2 s at most.
  bool WaitForRows(bool arrived, std::set<int> rows) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(2), [&] {
      std::set<int> seen;
      for (const auto& e : events_)
        if (e.arrived == arrived) seen.insert(e.index);
      return std::includes(seen.begin(), seen.end(), rows.begin(), rows.end());
    });
  }
  bool WaitForBlocked() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(2), [&] { return blocked_ > 0; });
  }
  bool WaitForFirstScan() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(2), [&] { return firstScans_ > 0; });
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  int FirstScans() {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstScans_;
  }

 private:
  bool Hand(bool arrived, int index) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopped_) return false;
    events_.push_back({arrived, index, table_->Row(index).path});
    ++blocked_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !hold_ || stopped_; });
    --blocked_;
    return !stopped_;
  }

  const CConnectionTable* table_ = nullptr;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  int firstScans_ = 0;
  int blocked_ = 0;
  bool hold_ = false;
  bool stopped_ = false;
};

class DiscoveryThreadTest : public BusFolderTest {
 protected:
  void SetUp() override {
    BusFolderTest::SetUp();
    sink_.Attach(&table_);
    options_.watchHidraw = false;  // the machine's own devices stay out of the counts
    options_.scanCounter = &scans_;
  }
  void TearDown() override {
    thread_.reset();
    sims_.clear();
    BusFolderTest::TearDown();
  }

  CSimulator& Sim(const std::string& prefix = "ruvemo-sim") {
    SimulatorOptions options;
    options.busFolder = busFolder_.empty() ? Folder() : busFolder_;
    options.timing = false;
    options.stemPrefix = prefix;
    sims_.push_back(std::make_unique<CSimulator>(options));
    return *sims_.back();
  }
  void StartThread() {
    thread_ = std::make_unique<CDiscoveryThread>(table_, sink_, options_);
    ASSERT_TRUE(thread_->Start());
    ASSERT_TRUE(sink_.WaitForFirstScan());
  }
  std::multiset<int> Rows(bool arrived) {
    std::multiset<int> rows;
    for (const auto& e : sink_.Events())
      if (e.arrived == arrived) rows.insert(e.index);
    return rows;
  }

  CConnectionTable table_;
  RecordingSink sink_;
  DiscoveryOptions options_;
  std::atomic<int> scans_{0};
  std::string busFolder_;  // empty: the fixture's folder
  std::vector<std::unique_ptr<CSimulator>> sims_;
  std::unique_ptr<CDiscoveryThread> thread_;
};

TEST_F(DiscoveryThreadTest, PlugArrivesAndUnplugIsRemoved) {
  StartThread();
  EXPECT_TRUE(thread_->EventDriven());
  CSimulator& sim = Sim();
  const auto plugged = Clock::now();
  ASSERT_TRUE(sim.Plug(SimProduct::Pad));
  ASSERT_TRUE(sink_.WaitForRows(true, {8, 9}));
  EXPECT_LT(Clock::now() - plugged, std::chrono::milliseconds(1000));
  for (const auto& e : sink_.Events()) {
    EXPECT_EQ(e.path.rfind(Folder() + "/", 0), 0u) << e.path;
    EXPECT_NE(e.path.find("pid_1004"), std::string::npos) << e.path;
    EXPECT_NE(e.path.find(e.index == 8 ? "&col04" : "&col03"), std::string::npos) << e.path;
  }

  const auto unplugged = Clock::now();
  sim.Unplug(SimProduct::Pad);
  ASSERT_TRUE(sink_.WaitForRows(false, {8, 9}));
  EXPECT_LT(Clock::now() - unplugged, std::chrono::milliseconds(1000));
  EXPECT_EQ(Rows(true), (std::multiset<int>{8, 9}));
  EXPECT_EQ(Rows(false), (std::multiset<int>{8, 9}));
  thread_->Stop();
  EXPECT_TRUE(table_.ClaimedRows().empty());
  EXPECT_EQ(sink_.FirstScans(), 1);
}

TEST_F(DiscoveryThreadTest, TwoIdenticalPadsClaimOneRowSet) {
  CSimulator& first = Sim("first");
  CSimulator& second = Sim("second");
  ASSERT_TRUE(first.Plug(SimProduct::Pad));
  ASSERT_TRUE(second.Plug(SimProduct::Pad));
  StartThread();
  ASSERT_TRUE(sink_.WaitForRows(true, {8, 9}));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(Rows(true), (std::multiset<int>{8, 9}));
  const std::string firstPath = sink_.Events()[0].path;

  // When the pad that holds the rows goes, the other one takes them.
  CSimulator& holder = firstPath.find("/first") != std::string::npos ? first : second;
  holder.Unplug(SimProduct::Pad);
  ASSERT_TRUE(sink_.WaitForRows(false, {8, 9}));
  ASSERT_TRUE(BusFolderTest::WaitFor([&] { return Rows(true).size() == 4; }));
  EXPECT_NE(sink_.Events().back().path, firstPath);
}

TEST_F(DiscoveryThreadTest, ReceiverAndCableOfTheKeyboardClaimTheirOwnRows) {
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.SetConnection(SimProduct::Keyboard, true));
  StartThread();
  ASSERT_TRUE(sim.Plug(SimProduct::Keyboard));
  ASSERT_TRUE(sink_.WaitForRows(true, {2, 3}));
  ASSERT_TRUE(sim.SetConnection(SimProduct::Keyboard, false));  // cable in, receiver stays
  ASSERT_TRUE(sink_.WaitForRows(true, {0, 1}));
  EXPECT_EQ(Rows(true), (std::multiset<int>{0, 1, 2, 3}));
  for (const auto& e : sink_.Events()) {
    const bool receiver = e.index == 2 || e.index == 3;
    EXPECT_NE(e.path.find(receiver ? "pid_5088" : "pid_5055"), std::string::npos) << e.path;
  }
  ASSERT_TRUE(sim.SetReceiverPlugged(SimProduct::Keyboard, false));
  ASSERT_TRUE(sink_.WaitForRows(false, {2, 3}));
  EXPECT_TRUE(Rows(false).count(0) == 0 && Rows(false).count(1) == 0);
}

TEST_F(DiscoveryThreadTest, StopEndsABlockedHandOverPromptly) {
  StartThread();
  sink_.SetHold(true);
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.Plug(SimProduct::Headset));
  ASSERT_TRUE(sink_.WaitForBlocked());
  const auto asked = Clock::now();
  thread_->Stop();
  EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(500));
  EXPECT_FALSE(thread_->Running());
}

TEST_F(DiscoveryThreadTest, StopWhileIdleReturnsPromptly) {
  StartThread();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const auto asked = Clock::now();
  thread_->Stop();
  EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(500));
  EXPECT_FALSE(thread_->Running());
}

TEST_F(DiscoveryThreadTest, NoScansWhileNothingChanges) {
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.Plug(SimProduct::Mouse));  // claimed rows are not probed while idle either
  StartThread();
  ASSERT_TRUE(sink_.WaitForRows(true, {4, 5}));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let a burst settle
  const int before = scans_.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LE(scans_.load() - before, 1);

  // A file of no node in the bus folder wakes nobody.
  const int quiet = scans_.load();
  FILE* other = std::fopen((Folder() + "/notes.txt").c_str(), "w");
  ASSERT_NE(other, nullptr);
  std::fclose(other);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(scans_.load(), quiet);
}

TEST_F(DiscoveryThreadTest, BusFolderMadeAfterTheStartIsWatched) {
  busFolder_ = Folder() + "/later/bus";
  ::setenv("RUVEMO_VHID_DIR", busFolder_.c_str(), 1);
  StartThread();
  EXPECT_TRUE(thread_->EventDriven());
  CSimulator& sim = Sim();  // makes the folder
  ASSERT_TRUE(sim.Plug(SimProduct::Pad));
  ASSERT_TRUE(sink_.WaitForRows(true, {8, 9}));
  sim.Unplug(SimProduct::Pad);
  ASSERT_TRUE(sink_.WaitForRows(false, {8, 9}));
}

TEST_F(DiscoveryThreadTest, WithoutWatchersTheIntervalFindsDevices) {
  options_.watchBus = false;
  options_.fallbackIntervalMs = 20;
  StartThread();
  EXPECT_FALSE(thread_->EventDriven());
  CSimulator& sim = Sim();
  ASSERT_TRUE(sim.Plug(SimProduct::Pad));
  ASSERT_TRUE(sink_.WaitForRows(true, {8, 9}));
  sim.Unplug(SimProduct::Pad);
  ASSERT_TRUE(sink_.WaitForRows(false, {8, 9}));
  EXPECT_EQ(sink_.FirstScans(), 1);
}

}  // namespace
