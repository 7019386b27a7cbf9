#pragma once
// Follows system suspend and resume through logind's PrepareForSleep signal
// (true before the system sleeps, false after it woke up).

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

inline constexpr char kLogindService[] = "org.freedesktop.login1";
inline constexpr char kLogindPath[] = "/org/freedesktop/login1";
inline constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";

class CSleepWatcher : public QObject {
  Q_OBJECT

 public:
  // suspending is true when the system is about to sleep, false on resume.
  using Callback = std::function<void(bool suspending)>;

  // Listens on the given bus (the system bus in the program). Without a
  // connection nothing is ever reported; Listening() tells.
  CSleepWatcher(QDBusConnection bus, Callback callback, QObject* parent = nullptr);
  ~CSleepWatcher() override;

  bool Listening() const { return listening_; }

 private Q_SLOTS:
  void OnPrepareForSleep(bool suspending);

 private:
  QDBusConnection bus_;
  Callback callback_;
  bool listening_ = false;
};
