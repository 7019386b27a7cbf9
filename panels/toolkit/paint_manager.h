#pragma once
// CPaintManagerUI: the hub of one window's controls. It knows the controls
// built for the window (lookup by name), delivers notifications to the
// registered notifiers (synchronously or posted through the event loop),
// keeps option groups, fonts, class defaults and styles of the skin, the
// window's layout settings, and the UI scale.

#include <QFont>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "panels/toolkit/ui_types.h"

class CControlUI;
class QWidget;

// One notification: its type ("click", "selectchanged" ...), the control that
// raised it and two parameters whose meaning belongs to the type.
struct TNotifyUI {
  std::wstring sType;
  std::wstring sVirtualWnd;
  CControlUI* pSender = nullptr;
  std::uint64_t dwTimestamp = 0;
  QPoint ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

// Faces a window may carry; the toolkit asks nothing of them beyond these calls.
class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};
class IQueryControlText {
 public:
  virtual ~IQueryControlText() = default;
  virtual std::wstring QueryControlText(const std::wstring& id, const std::wstring& type) = 0;
};
class IToolTipCallBack {
 public:
  virtual ~IToolTipCallBack() = default;
};

class CPaintManagerUI : public QObject {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI() override;

  void Init(QWidget* paintWindow, const std::wstring& name = L"");
  QWidget* GetPaintWindow() const { return paintWindow_; }
  std::wstring GetName() const { return name_; }

  // The root of the window's tree (built by the window base).
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return root_; }

  // Lookup by name among the controls of this manager, first built first.
  CControlUI* FindControl(const std::wstring& name) const;
  // Lookup below parent (depth first, in child order); parent itself is not matched.
  CControlUI* FindSubControlByName(CControlUI* parent, const std::wstring& name) const;
  CControlUI* FindSubControlByClass(CControlUI* parent, const std::wstring& className,
                                    int index = 0) const;
  std::vector<CControlUI*> FindSubControlsByClass(CControlUI* parent,
                                                  const std::wstring& className) const;

  // Notifiers receive every notification in the order they were added.
  bool AddNotifier(INotifyUI* notifier);
  bool RemoveNotifier(INotifyUI* notifier);
  // Delivers to the sender's own handlers, then to every notifier. async: the
  // notification is posted and delivered from the event loop (dropped when
  // the sender is destroyed first).
  void SendNotify(TNotifyUI& msg, bool async = false);
  void SendNotify(CControlUI* control, const std::wstring& type, WPARAM wParam = 0,
                  LPARAM lParam = 0, bool async = false);

  // Control timers: each expiry reaches the control's DoTimer ("timer" notification).
  bool SetTimer(CControlUI* control, UINT id, UINT elapse);
  bool KillTimer(CControlUI* control, UINT id);
  void KillTimer(CControlUI* control);

  // Option groups (options sharing a group name select one at a time).
  void AddOptionGroup(const std::wstring& group, CControlUI* option);
  void RemoveOptionGroup(const std::wstring& group, CControlUI* option);
  std::vector<CControlUI*> GetOptionGroup(const std::wstring& group) const;

  // Resources (process-wide; kept by the resource manager).
  static void SetResourcePath(const std::wstring& path);
  static std::wstring GetResourcePath();
  static void SetResourceType(int type) { resourceType_ = type; }
  static int GetResourceType() { return resourceType_; }
  // The folder of the running program, ending in a separator.
  static std::wstring GetInstancePath();

  // UI scale: 96 = 100 %, 144 = 150 % ...
  void SetDPI(int dpi);
  int GetDPI() const { return dpi_; }
  int ScaleValue(int v) const { return v * dpi_ / 96; }
  static void SetAllDPI(int dpi);
  void ResetDPIAssets();

  // Fonts of the skin by id; size in skin units at scale 96.
  void AddFont(int id, const std::wstring& family, int size, bool bold, bool underline, bool italic,
               bool isDefault = false);
  QFont GetFont(int id) const;
  QFont GetDefaultFont() const;
  void RemoveAllFonts();

  // Attribute lists applied to every control of a class before its own attributes.
  void AddDefaultAttributeList(const std::wstring& className, const std::wstring& list);
  std::wstring GetDefaultAttributeList(const std::wstring& className) const;
  // Named styles ("style" attribute of a control).
  void AddStyle(const std::wstring& name, const std::wstring& list);
  std::wstring GetStyle(const std::wstring& name) const;

  // Settings of the <Window> element of the skin.
  void SetWindowAttribute(const std::wstring& name, const std::wstring& value);
  QSize GetInitSize() const { return initSize_; }
  void SetInitSize(int cx, int cy) { initSize_ = QSize(cx, cy); }
  // Caption area as "l,t,r,b": the band of the given height (b) at the top,
  // l and r in from the sides, t down from the top edge.
  QMargins GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const QMargins& rect) { caption_ = rect; }
  QMargins GetSizeBox() const { return sizeBox_; }
  QSize GetMinInfo() const { return minInfo_; }
  QSize GetMaxInfo() const { return maxInfo_; }

  // Repaints the window.
  void Invalidate();

  // Runs the program's event loop until the last quit.
  static int MessageLoop();
  static const std::vector<CPaintManagerUI*>& GetPaintManagers();

  // Bookkeeping of controls (called by CControlUI).
  void RegisterControl(CControlUI* control);
  void UnregisterControl(CControlUI* control);

 private:
  void Deliver(TNotifyUI& msg);

  QWidget* paintWindow_ = nullptr;
  std::wstring name_;
  CControlUI* root_ = nullptr;
  std::vector<INotifyUI*> notifiers_;
  std::uint64_t nextSeq_ = 0;
  std::map<std::uint64_t, CControlUI*> controls_;
  std::unordered_map<CControlUI*, std::uint64_t> controlSeq_;
  std::map<std::wstring, std::vector<CControlUI*>> optionGroups_;
  int dpi_ = 96;
  struct FontEntry {
    std::wstring family;
    int size = 12;
    bool bold = false, underline = false, italic = false;
  };
  std::map<int, FontEntry> fonts_;
  int defaultFont_ = -1;
  std::map<std::wstring, std::wstring> defaults_;
  std::map<std::wstring, std::wstring> styles_;
  QSize initSize_;
  QMargins caption_;
  QMargins sizeBox_;
  QSize minInfo_;
  QSize maxInfo_;
  static int resourceType_;
};

// Ends the program's event loop (every nested loop returns).
void PostQuitMessage(int exitCode);
