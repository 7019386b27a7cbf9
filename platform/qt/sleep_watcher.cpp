#include "platform/qt/sleep_watcher.h"

#include "platform/debug_output.h"

CSleepWatcher::CSleepWatcher(QDBusConnection bus, Callback callback, QObject* parent)
    : QObject(parent), bus_(bus), callback_(std::move(callback)) {
  if (!bus_.isConnected()) {
    DebugOutput("logind: no system bus, suspend and resume are not followed");
    return;
  }
  listening_ = bus_.connect(kLogindService, kLogindPath, kLogindManager, "PrepareForSleep", this,
                            SLOT(OnPrepareForSleep(bool)));
}

CSleepWatcher::~CSleepWatcher() {
  if (listening_) {
    bus_.disconnect(kLogindService, kLogindPath, kLogindManager, "PrepareForSleep", this,
                    SLOT(OnPrepareForSleep(bool)));
  }
}

void CSleepWatcher::OnPrepareForSleep(bool suspending) {
  DebugOutput(suspending ? "logind: system suspends" : "logind: system resumed");
  if (callback_) callback_(suspending);
}
