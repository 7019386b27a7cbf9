#pragma once
// Where the discovery thread hands its findings: the main window, which
// carries each hand-over out on its user-interface thread.
//
// Contract:
// - OnInterfaceArrived and OnInterfaceRemoved block until the handler has
//   run (it reads the connection-table row while the thread waits). They
//   return true when it ran, false when it did not and never will: the stop
//   was requested (OnStopRequested) or the receiving side is gone. On false
//   the thread ends without touching the table again.
// - OnStopRequested is called by CDiscoveryThread::Stop, from the stopping
//   thread, possibly while a hand-over is blocked on another thread; from
//   then on a pending hand-over must return false promptly and later ones at
//   once. This is what keeps shutdown from waiting on a user-interface thread
//   that is itself waiting for the discovery thread to end.
// - OnFirstScanComplete is a notice (posted, not waited on), given once
//   after the first complete scan.

class IDiscoverySink {
 public:
  virtual ~IDiscoverySink() = default;
  virtual bool OnInterfaceArrived(int index) = 0;
  virtual bool OnInterfaceRemoved(int index) = 0;
  virtual void OnFirstScanComplete() = 0;
  virtual void OnStopRequested() = 0;
};
