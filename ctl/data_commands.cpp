// ruvemoctl profile ... and ruvemoctl macro ...: the stored data of one
// device folder, changed with the same profile-list and macro-library code as
// the program, in the user data folder ($XDG_DATA_HOME/Brivo75/<DEVICE>/).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ctl/ctl_commands.h"
#include "platform/debug_output.h"
#include "profiles/data_folders.h"
#include "profiles/json_file.h"
#include "profiles/macro_events.h"
#include "profiles/macro_library.h"
#include "profiles/profile_list.h"

namespace {

struct Product {
  const char* folder;
  const char* alias;
  int deviceType;  // the device kind the profile bar is given
};

constexpr Product kProducts[] = {
    {kKeyboardFolderName, "keyboard", 1},
    {kMouseFolderName, "mouse", 2},
    {kMousePadFolderName, "pad", 3},
    {kHeadsetFolderName, "headset", kHeadsetDeviceType},
};

// The largest macro memory a device can report (one byte of 128-byte units).
constexpr int kDefaultMacroUnits = 255;

int Refuse(const std::string& message) {
  std::fprintf(stderr, "ruvemoctl: %s\n", message.c_str());
  return 2;
}

const Product* FindProduct(const std::string& name) {
  for (const Product& p : kProducts)
    if (name == p.folder || name == p.alias) return &p;
  return nullptr;
}

bool ParseIndex(const std::string& text, int& out) {
  if (text.empty() || text.size() > 6) return false;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  out = value;
  return true;
}

// The message for a refused or failed operation: the file error when a write
// failed, else the rule that refused it.
int Fail(const std::string& lastError, const std::string& refusal) {
  return Refuse(lastError.empty() ? refusal : lastError);
}

class ProfileCommand {
 public:
  ProfileCommand(const Product& product, std::string folder) : folder_(std::move(folder)) {
    list_.SetDeviceType(product.deviceType);
    list_.SetFolders(folder_, DefaultProfilePath(product.folder));
    ready_ = list_.InitProfiles();
  }

  int Run(const std::vector<std::string>& a) {
    if (!ready_) return Fail(list_.LastError(), "the profile list could not be opened");
    const std::string& op = a[0];
    if (op == "list" && a.size() == 1) return List();
    if (op == "add" && a.size() == 1)
      return list_.AddProfile() ? List()
                                : Fail(list_.LastError(), "a device keeps at most 50 profiles");
    if (op == "import" && a.size() == 2)
      return list_.ImportProfile(a[1])
                 ? List()
                 : Fail(list_.LastError(), "'" + a[1] + "' is not a profile file");
    int n = -1;
    if (a.size() < 2 || !ParseIndex(a[1], n) || n >= static_cast<int>(list_.Names().size()))
      return Refuse("'" + op + "' needs the number of a profile from 'list'");
    const std::string keep = list_.GetCurrentUUID();
    if (!list_.SelectProfile(n)) return Fail(list_.LastError(), "the profile cannot be selected");
    if (op == "select" && a.size() == 2) return List();
    int status = 2;
    if (op == "delete" && a.size() == 2) {
      if (!list_.DeleteProfile()) {
        status = Fail(list_.LastError(), "the last profile cannot be deleted");
        Reselect(keep);
        return status;
      }
      return Reselect(keep) ? List() : Fail(list_.LastError(), "the selection was not kept");
    }
    if (op == "copy" && a.size() == 2) {
      status = list_.CopyProfile() ? 0 : Fail(list_.LastError(), "the profile cannot be copied");
    } else if (op == "rename" && a.size() == 3) {
      switch (list_.RenameProfile(WideFromUtf8(a[2]))) {
        case RenameResult::kDone:
          status = 0;
          break;
        case RenameResult::kBlank:
          status = Refuse("a profile name cannot be blank");
          break;
        case RenameResult::kRefused:
          status = Refuse("another profile is named '" + a[2] + "'");
          break;
        case RenameResult::kFailed:
          status = Fail(list_.LastError(), "the profile was not renamed");
          break;
      }
    } else if (op == "export" && a.size() == 3) {
      status = list_.ExportProfile(a[2])
                   ? 0
                   : Fail(list_.LastError(), "the profile could not be written to '" + a[2] + "'");
    } else if (op == "reset" && a.size() == 2) {
      status = list_.ResetProfile() ? 0 : Fail(list_.LastError(), "the profile could not be reset");
    } else {
      status = Refuse("unknown profile command '" + op + "'");
    }
    if (!Reselect(keep) && status == 0)
      status = Fail(list_.LastError(), "the selection was not kept");
    return status == 0 ? List() : status;
  }

 private:
  // Selects the profile with this identifier again (the one selected before
  // the command). False when that write failed.
  bool Reselect(const std::string& uuid) {
    for (int i = 0; i < list_.GetProfileCount(); ++i)
      if (list_.GetProfilePathAt(i) == folder_ + uuid + ".Json") return list_.SelectProfile(i);
    return true;
  }

  int List() {
    const int count = list_.GetProfileCount();
    const auto& names = list_.Names();
    for (int i = 0; i < count && i < static_cast<int>(names.size()); ++i) {
      std::string path = list_.GetProfilePathAt(i);
      const size_t slash = path.find_last_of('/');
      if (slash != std::string::npos) path = path.substr(slash + 1);
      std::printf("%c %d\t%s\t%s\n", i == list_.GetSelectedIndex() ? '*' : ' ', i,
                  Utf8FromWide(names[i]).c_str(), path.c_str());
    }
    return 0;
  }

  std::string folder_;
  CProfileList list_;
  bool ready_ = false;
};

class MacroCommand {
 public:
  MacroCommand(const Product& product, std::string folder)
      : product_(product), folder_(std::move(folder)), library_(folder_) {}

  int Run(const std::vector<std::string>& a) {
    const std::string& op = a[0];
    if (op == "list" && a.size() == 1) return List();
    if (op == "add" && a.size() == 1)
      return library_.NewMacro() >= 0
                 ? List()
                 : Fail(library_.LastError(), "a device keeps at most 50 macros");
    if (op == "import" && a.size() == 2)
      return library_.ImportMacroFile(a[1]) >= 0
                 ? List()
                 : Fail(library_.LastError(),
                        "'" + a[1] + "' is not a macro file, or the library is full");
    if (op == "block") return Block(a);
    int n = -1;
    if (a.size() < 2 || !ParseIndex(a[1], n) || n >= library_.Count())
      return Refuse("'" + op + "' needs the number of a macro from 'list'");
    if (op == "rename" && a.size() == 3) {
      if (IsBlank(a[2])) return Refuse("a macro name cannot be blank");
      return library_.RenameMacroEntry(n, WideFromUtf8(a[2]))
                 ? List()
                 : Fail(library_.LastError(), "the macro was not renamed");
    }
    if (op == "delete" && a.size() == 2) {
      // Keys refer to macros by position: repair every profile first.
      CProfileList profiles;
      profiles.SetDeviceType(product_.deviceType);
      profiles.SetFolders(folder_, DefaultProfilePath(product_.folder));
      profiles.InitProfiles();
      for (int i = 0; i < profiles.GetProfileCount(); ++i)
        RepairMacroReferencesInProfile(profiles.GetProfilePathAt(i),
                                       DefaultProfilePath(product_.folder), n);
      return library_.DeleteMacroEntry(n) ? List()
                                          : Fail(library_.LastError(), "the macro was not deleted");
    }
    if (op == "export" && a.size() == 3)
      return library_.ExportMacroFile(n, a[2])
                 ? 0
                 : Fail(library_.LastError(), "the macro could not be written to '" + a[2] + "'");
    return Refuse("unknown macro command '" + op + "'");
  }

 private:
  int List() {
    const auto macros = library_.ListMacros();
    for (size_t i = 0; i < macros.size(); ++i)
      std::printf("%zu\t%s\t%s\n", i, Utf8FromWide(macros[i].name).c_str(), macros[i].guid.c_str());
    return 0;
  }

  int Block(const std::vector<std::string>& a) {
    int units = kDefaultMacroUnits;
    std::vector<int> indexes;
    for (size_t i = 1; i < a.size(); ++i) {
      int value = 0;
      if (a[i].rfind("--units=", 0) == 0) {
        if (!ParseIndex(a[i].substr(8), units)) return Refuse("--units takes a number");
        continue;
      }
      if (!ParseIndex(a[i], value)) return Refuse("'" + a[i] + "' is not a macro number");
      indexes.push_back(value);
    }
    if (indexes.empty()) return Refuse("'block' needs the numbers of the macros");
    const MacroBlockResult r = BuildMacroBlock(library_, indexes, units);
    if (r.result > 0)
      return Refuse("the macro block does not fit the device's macro memory: " +
                    std::to_string(r.result));
    if (r.result < 0) return Refuse("the macro block could not be built");
    for (size_t i = 0; i < r.block.size(); ++i)
      std::printf("%02X%c", r.block[i], (i + 1) % 16 == 0 || i + 1 == r.block.size() ? '\n' : ' ');
    return 0;
  }

  const Product& product_;
  std::string folder_;
  CMacroLibrary library_;
};

}  // namespace

int RunDataCommand(const CtlArgs& args) {
  size_t first = 0;
  while (first < args.size() && args[first].rfind("--", 0) == 0) {
    if (args[first] == "--trace") SetDebugOutputEnabled(true);
    ++first;
  }
  const std::vector<std::string> a(args.begin() + static_cast<long>(first), args.end());
  if (a.size() < 3) {
    PrintUsage();
    return 2;
  }
  const Product* product = FindProduct(a[1]);
  if (product == nullptr)
    return Refuse("unknown device folder '" + a[1] + "' (keyboard, mouse, MousePad, HD)");
  const std::string folder = UserDeviceFolder(product->folder);
  const std::vector<std::string> rest(a.begin() + 2, a.end());
  if (a[0] == "profile") return ProfileCommand(*product, folder).Run(rest);
  return MacroCommand(*product, folder).Run(rest);
}
