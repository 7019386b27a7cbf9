#include "profiles/unique_id.h"

#include <chrono>
#include <thread>

#include "profiles/json_file.h"

std::string MakeUniqueId(const std::function<bool(const std::string&)>& inUse) {
  std::string id = MakeTimestampId();
  for (int attempt = 0; attempt < 2000 && inUse(id); ++attempt) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    id = MakeTimestampId();
  }
  return id;
}
