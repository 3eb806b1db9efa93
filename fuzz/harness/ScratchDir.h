// A private folder for the files a harness needs (a script, temp.o, a keymap file), made
// once per process in $TMPDIR, else in /dev/shm, else in the system's temporary folder,
// and removed when the process ends normally. Several fuzz processes may run side by
// side; each gets its own folder.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorn::fuzz {

// The folder's path, created on first use.
const std::string& ScratchDir();
// ScratchDir() + "/" + name.
std::string ScratchFile(const std::string& name);

// Replaces the file with exactly these bytes; false when it cannot be written.
bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);
// The file's bytes, or false when it cannot be read (missing, for one).
bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes);

}  // namespace vorn::fuzz
