// The path of one HID interface of a hidraw node: the node itself when its descriptor has
// a single top-level collection, "<node>&colNN" (NN from 01) for each of several.
#pragma once

#include <string>

namespace vorn::hid {

std::string InterfacePath(const std::string& devnode, int collection, int collectionCount);

// The node and the 0-based collection an interface path names; a path without a
// well-formed suffix names collection 0 of the node at that path.
void SplitInterfacePath(const std::string& path, std::string& devnode, int& collection);

}  // namespace vorn::hid
