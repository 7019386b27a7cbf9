#pragma once
// One private font of the program's Font folder, registered with Qt's font
// database for the whole run. A font that cannot be read is simply absent.

#include <string>

class CFontResourceHolder {
 public:
  // The base folder is the program data folder (ProgramDataFolder()).
  CFontResourceHolder();
  explicit CFontResourceHolder(std::string baseFolder);
  ~CFontResourceHolder();
  CFontResourceHolder(const CFontResourceHolder&) = delete;
  CFontResourceHolder& operator=(const CFontResourceHolder&) = delete;

  // name is relative to the base folder ("Font/NotoSansThai-Regular.ttf").
  // True when the font was registered. A path longer than the system's path
  // limit counts as missing.
  bool LoadPrivateFont(const std::string& name);
  // Removes the registration (also done by the destructor).
  void Release();
  bool Loaded() const { return id_ >= 0; }

 private:
  std::string base_;
  int id_ = -1;
};

// The four fonts of the start, in their order.
inline constexpr const char* kPrivateFonts[] = {
    "Font/Simplified_Chinese.ttf",
    "Font/Glimmora-Regular.otf",
    "Font/NotoSansThai-Regular.ttf",
    "Font/NotoSansCJKtc-Regular.otf",
};
