// Any bytes as ProfileList.ini and as an imported profile: every operation
// of the profile list must cope and stay inside the user device folder.

#include <cstdint>
#include <cstdlib>

#include "profiles/fuzz/fuzz_folder.h"
#include "profiles/profile_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFolder folder;
  folder.Reset();
  folder.Put(folder.User() + "ProfileList.ini", data, size);
  std::filesystem::create_directories(folder.Root() + "in");
  folder.Put(folder.Root() + "in/Work.json", data, size);
  folder.Put(folder.User() + "default.Json", reinterpret_cast<const uint8_t*>(kFuzzDefaultProfile),
             std::char_traits<char>::length(kFuzzDefaultProfile));

  CProfileList list;
  list.SetDeviceType(size % 2 ? 7 : 1);
  list.SetFolders(folder.User(), folder.User() + "default.Json");
  list.InitProfiles();
  list.CurrentProfilePath();
  list.AddProfile();
  list.CopyProfile();
  list.RenameProfile(L"profile1");
  list.ImportProfile(folder.Root() + "in/Work.json");
  list.ExportProfile(folder.Root() + "in/out.json");
  list.ResetProfile();
  list.SelectProfile(static_cast<int>(list.Names().size()) - 1);
  list.DeleteProfile();
  for (int i = 0; i < list.GetProfileCount(); ++i) list.GetProfilePathAt(i);

  if (folder.Escaped()) std::abort();
  return 0;
}
