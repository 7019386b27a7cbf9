// The shipped udev rule names every product of the interface catalogue, in
// the form the kernel gives the HID device's name (upper-case hexadecimal).

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "devices/interface_catalogue.h"

TEST(UdevRuleTest, EveryCatalogueProductIsGivenUaccess) {
  std::ifstream file(std::string(RUVEMO_SOURCE_DIR) + "/platform/udev/70-ruvemo.rules");
  ASSERT_TRUE(file.good());
  std::stringstream text;
  text << file.rdbuf();
  const std::string rules = text.str();
  for (const InterfaceEntry& row : kInterfaceCatalogue) {
    char match[64];
    std::snprintf(match, sizeof match, "KERNELS==\"*:%04X:%04X.*\", TAG+=\"uaccess\"", row.vendorId,
                  row.productId);
    EXPECT_NE(rules.find(match), std::string::npos) << match;
  }
  EXPECT_NE(rules.find("SUBSYSTEM!=\"hidraw\""), std::string::npos);
}
