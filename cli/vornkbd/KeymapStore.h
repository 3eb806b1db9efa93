// The virtual keyboard's keymap to and from keymap files, by the program's own keymap
// download and upload over an in-process link to the same protocol engine. A file so
// loaded or saved holds what a host reading the keyboard gets, block by block as the
// protocol numbers them, whatever the engine keeps inside.
#pragma once

#include <optional>
#include <string>

#include "hid/HidPlatform.h"
#include "keymap/KeymapFile.h"

namespace vorn::kbd {

class KeymapStore {
  public:
    // `platform` hosts the keyboard as the one supported keyboard on it.
    explicit KeymapStore(hid::HidPlatform& platform) : platform_(platform) {}

    // Empty when the file went into the keyboard, otherwise the download's message.
    std::string Load(const std::string& path);
    // Empty when the keymap was saved, otherwise the upload's message.
    std::string Save(const std::string& path);

    // The ids and geometry a keymap file's header names; nothing, with the reason, when
    // the file cannot be read or is no keymap file.
    static std::optional<keymap::KeymapHeader> Header(const std::string& path, std::string& error);

  private:
    hid::HidPlatform& platform_;
};

}  // namespace vorn::kbd
