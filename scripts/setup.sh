#!/usr/bin/env bash
# Installs what the build and the tests need, once. Quiet when nothing is missing.
#   - Debian packages: compilers (native and mingw-w64 i686), CMake, GoogleTest, Google Benchmark,
#     FreeType, libpng (velmora-report's pictures), zlib for mingw, clang with its sanitizer and
#     fuzzer runtimes, Wine (with i386), Xvfb, xdotool, xclip, ImageMagick, the VL Gothic font, zip,
#     Chromium and Node (the library page's browser tests).
#   - The tests' npm packages (tests/browser/package-lock.json: puppeteer-core, which brings no browser
#     of its own, and mmd-parser; tests/pose/player/package-lock.json: babylon-mmd, a player to check the
#     pose engine's IK against), into each folder's node_modules (not tracked) when it is missing or
#     the lock changed.
#   - FreeType and libpng built as static libraries for i686-w64-mingw32 from Debian's source
#     packages (libpng with Debian's patches, against Debian's zlib for mingw), cached in .deps/ (not
#     tracked).
# Safe to run any number of times; every step checks first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
say() { echo "setup: $*" >&2; }

need_root() {
  if [ "$(id -u)" != 0 ]; then
    if command -v sudo >/dev/null; then sudo "$@"; else say "need root for: $*"; exit 1; fi
  else "$@"; fi
}

pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
      libbenchmark-dev libfreetype-dev libpng-dev pkg-config g++-mingw-w64-i686 libz-mingw-w64-dev
      wine wine32:i386 wine64 xvfb xdotool xclip x11-utils imagemagick fonts-vlgothic zip unzip xz-utils
      dpkg-dev python3 locales chromium)
# Node and npm drive Chromium in the page tests (tests/browser); the machine's own Node (with its npm)
# is used when there is one, Debian's otherwise.
command -v npm >/dev/null 2>&1 || pkgs+=(nodejs npm)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
srcfile=/etc/apt/sources.list.d/velmora-src.sources
updated=0
if [ ${#missing[@]} -gt 0 ] || [ ! -f "$srcfile" ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture (for Wine)"
    need_root dpkg --add-architecture i386
  fi
  if [ ! -f "$srcfile" ]; then
    # deb-src entries beside the existing ones, for FreeType's and libpng's source packages
    say "enabling deb-src entries"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | need_root tee "$srcfile" >/dev/null
  fi
  say "apt-get update"
  need_root apt-get update -qq >/dev/null
  updated=1
  if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    need_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi

# The Japanese UTF-8 locale: Wine takes the host's file-name charset from it when LANG=ja_JP.UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  say "generating the ja_JP.UTF-8 locale"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | need_root tee -a /etc/locale.gen >/dev/null
  fi
  need_root locale-gen >/dev/null
fi

# FreeType for the mingw target, built once into .deps/freetype-mingw-sse2. With SSE2 it flattens curves
# the way it does on x86-64 (FreeType picks its Bezier flattening by that), so both builds render the
# same coverage to the byte; it inflates with Debian's zlib for mingw, the one libpng links too. (An
# older .deps/freetype-mingw, without SSE2 and with FreeType's own inflate, is left alone.)
deps="$top/.deps"
ftprefix="$deps/freetype-mingw-sse2"
if [ ! -f "$ftprefix/lib/libfreetype.a" ]; then
  mkdir -p "$deps/src"
  cd "$deps/src"
  if ! ls freetype_*.orig.tar.xz >/dev/null 2>&1; then
    if [ $updated = 0 ]; then need_root apt-get update -qq >/dev/null; fi
    say "fetching FreeType's source package"
    apt-get source --download-only -qq freetype >/dev/null 2>&1 || apt-get source --download-only freetype
  fi
  tarball=$(ls freetype_*.orig.tar.xz | head -n 1)
  rm -rf ft-src ft-build
  mkdir ft-src
  tar -xf "$tarball" -C ft-src --strip-components=1
  say "building FreeType for i686-w64-mingw32"
  cmake -S ft-src -B ft-build -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DCMAKE_C_FLAGS=-msse2 \
    -DCMAKE_INSTALL_PREFIX="$ftprefix" -DBUILD_SHARED_LIBS=OFF \
    -DFT_REQUIRE_ZLIB=ON -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a \
    -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >/dev/null
  cmake --build ft-build >/dev/null
  cmake --install ft-build >/dev/null
  rm -rf ft-src ft-build
fi

# libpng for the mingw target (velmora-report.exe's pictures), built once into .deps/libpng-mingw: the
# source package with Debian's patches applied, static, against libz-mingw-w64-dev's static zlib. Both
# are the upstream versions of the native libpng and zlib, so the two builds write the same bytes.
pngprefix="$deps/libpng-mingw"
if [ ! -f "$pngprefix/lib/libpng16.a" ]; then
  mkdir -p "$deps/src"
  cd "$deps/src"
  if ! ls libpng1.6_*.dsc >/dev/null 2>&1; then
    if [ $updated = 0 ]; then need_root apt-get update -qq >/dev/null; updated=1; fi
    say "fetching libpng's source package"
    # The newest version first; a mirror that lacks its files (a security update not yet copied) leaves
    # no .dsc, and the next older version is tried.
    for v in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
      apt-get source --download-only -qq "libpng1.6=$v" >/dev/null 2>&1 || true
      ls libpng1.6_*.dsc >/dev/null 2>&1 && break
    done
    ls libpng1.6_*.dsc >/dev/null 2>&1 || { say "cannot fetch libpng's source package"; exit 1; }
  fi
  dsc=$(ls libpng1.6_*.dsc | sort -V | tail -n 1)
  rm -rf png-src png-build
  dpkg-source -x --no-check "$dsc" png-src >/dev/null
  say "building libpng for i686-w64-mingw32"
  cmake -S png-src -B png-build -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
    -DCMAKE_INSTALL_PREFIX="$pngprefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include >/dev/null
  cmake --build png-build >/dev/null
  cmake --install png-build >/dev/null
  rm -rf png-src png-build
fi
# The tests' npm packages, each folder as its package-lock.json pins them, into its node_modules, when
# that is missing or the lock changed since the last install (the lock's hash is kept in node_modules):
# tests/browser, the browser tests' driver (puppeteer-core, which downloads no browser of its own: the
# tests start Debian's) and a second VMD reader; tests/pose/player, the player the pose engine's IK is
# checked against (babylon-mmd and the engine it runs on).
for npm_dir in "$top/tests/browser" "$top/tests/pose/player"; do
  stamp="$npm_dir/node_modules/.velmora-lock.sha256"
  lock_sum=$(sha256sum "$npm_dir/package-lock.json" | cut -d' ' -f1)
  if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$lock_sum" ]; then
    say "installing the tests' npm packages (npm ci in ${npm_dir#"$top"/})"
    (cd "$npm_dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
    echo "$lock_sum" > "$stamp"
  fi
done
exit 0
