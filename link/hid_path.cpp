#include "link/hid_path.h"

#include <cctype>
#include <cstdio>

std::string MakeInterfacePath(const std::string& nodePath, uint16_t vendorId, uint16_t productId,
                              uint32_t interfaceNumber, uint32_t collectionNumber) {
  char query[64];
  if (collectionNumber == 0)
    std::snprintf(query, sizeof query, "?vid_%04x&pid_%04x&mi_%02x", vendorId, productId,
                  interfaceNumber);
  else
    std::snprintf(query, sizeof query, "?vid_%04x&pid_%04x&mi_%02x&col%02x", vendorId, productId,
                  interfaceNumber, collectionNumber);
  return nodePath + query;
}

std::string NodePathOf(const std::string& interfacePath) {
  const size_t q = interfacePath.rfind('?');
  return q == std::string::npos ? interfacePath : interfacePath.substr(0, q);
}

std::string_view IdentityPartOf(std::string_view interfacePath) {
  const size_t q = interfacePath.rfind('?');
  return q == std::string_view::npos ? interfacePath : interfacePath.substr(q + 1);
}

uint32_t ParseHexAfter(std::string_view interfacePath, std::string_view marker) {
  const std::string_view path = IdentityPartOf(interfacePath);
  if (marker.empty() || path.size() < marker.size()) return 0;
  for (size_t i = 0; i + marker.size() <= path.size(); ++i) {
    bool match = true;
    for (size_t k = 0; k < marker.size() && match; ++k)
      match = std::tolower(static_cast<unsigned char>(path[i + k])) ==
              std::tolower(static_cast<unsigned char>(marker[k]));
    if (!match) continue;
    uint32_t value = 0;
    for (size_t k = i + marker.size(); k < path.size(); ++k) {
      const int c = std::tolower(static_cast<unsigned char>(path[k]));
      int digit;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else
        break;
      value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
  }
  return 0;
}
