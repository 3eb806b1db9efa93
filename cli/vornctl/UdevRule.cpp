#include "cli/vornctl/UdevRule.h"

#include <cstdio>

#include "hid/ModelTable.h"

namespace vorn::cli {

namespace {

std::string Hex4(unsigned value, bool upper) {
    char text[8];
    std::snprintf(text, sizeof text, upper ? "%04X" : "%04x", value & 0xFFFFu);
    return text;
}

}  // namespace

std::string UdevRuleText() {
    std::string rule =
        "# VornUtil: gives the person logged in at the seat read and write access to the hidraw\n"
        "# nodes of the supported keyboards. The uaccess tag is turned into an access list by\n"
        "# 73-seat-late.rules, so this file must sort before it.\n";
    for (const hid::ModelRow& row : hid::kModelTable) {
        rule += "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" + Hex4(row.vendorId, false) +
                "\", ATTRS{idProduct}==\"" + Hex4(row.productId, false) + "\", TAG+=\"uaccess\"\n";
    }
    rule +=
        "# Keyboards without a USB parent (Bluetooth, or the virtual keyboard vornkbd makes "
        "through\n"
        "# uhid) have no idVendor/idProduct; their HID device is named BUS:VENDOR:PRODUCT.N.\n";
    for (const hid::ModelRow& row : hid::kModelTable) {
        rule += "SUBSYSTEM==\"hidraw\", KERNELS==\"*:" + Hex4(row.vendorId, true) + ":" +
                Hex4(row.productId, true) + ".*\", TAG+=\"uaccess\"\n";
    }
    return rule;
}

std::vector<std::string> UsbModaliases() {
    std::vector<std::string> aliases;
    for (const hid::ModelRow& row : hid::kModelTable) {
        aliases.push_back("usb:v" + Hex4(row.vendorId, true) + "p" + Hex4(row.productId, true) +
                          "*");
    }
    return aliases;
}

}  // namespace vorn::cli
