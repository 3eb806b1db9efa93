#!/bin/sh
# Fails, naming the lines, when a C++ file of the tree is not in the layout of .clang-format.
# Run from anywhere inside the checkout; `clang-format -i FILE` puts a file right.
set -eu
cd "$(git rev-parse --show-toplevel)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Every C++ file is in the tree's layout"
