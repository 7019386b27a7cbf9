#pragma once
// What a device object's threads ask of its page. The page implements it and
// carries each call over to the UI thread; the calls themselves may come from
// any thread and must not block.

class IDevicePageSink {
 public:
  // Timers of the device's tab control.
  enum TabTimer {
    kFrameTimer = 1000,      // shows the lighting preview
    kConnectTimer = 1001,    // device start-up
    kSyncTimer = 1002,       // re-reads the device after a sync event
    kPowerTimer = 1005,      // battery status
    kLinkWatchTimer = 1007,  // receiver link watch
  };
  virtual ~IDevicePageSink() = default;
  // Starts (or restarts) timer `id` of the device's tab control with `ms`.
  virtual void ArmTabTimer(int id, int ms) = 0;
  // The device switched to its profile `activeProfile` by itself; the page
  // follows it on the UI thread. Default: nothing.
  virtual void OnDeviceProfileChanged(int activeProfile) { (void)activeProfile; }
  // The page shows the object's state again (its ApplyStateToPage): at once
  // when called on the UI thread, else carried over to it. Default: nothing.
  virtual void ShowDeviceState() {}
  // The profile bar reads its list again and the object follows its current
  // profile (UI thread, before the object reloads the profile). Default:
  // nothing.
  virtual void ReloadProfileList() {}
};
