// The udev rule that lets the person at the seat open the supported keyboards, and the
// AppStream modaliases of the same keyboards; both are made from the model table, so a
// model added there is covered by the installed rule and offered by software centres.
#pragma once

#include <string>
#include <vector>

namespace vorn::cli {

inline constexpr char kUdevRuleName[] = "60-vornutil.rules";

// The whole rule file, as installed into the udev rules folder.
std::string UdevRuleText();

// "usb:vXXXXpYYYY*" for every vendor/product pair of the model table, in table order.
std::vector<std::string> UsbModaliases();

}  // namespace vorn::cli
