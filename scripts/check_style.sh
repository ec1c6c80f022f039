#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The style gates CI holds the source to: C++ as .clang-format lays it out, and the page's
# TypeScript type-checked and linted. Run after a build of the page, whose types it reads.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
qzb_install_packages clang-format
qzb_install_web_deps
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
npx --no-install tsc -p src/web/tsconfig.json --noEmit
npx --no-install eslint --max-warnings 0 src/web/ts
echo "style: C++ formatted, TypeScript type-checked and linted"
