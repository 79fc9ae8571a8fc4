#!/usr/bin/env bash
# The Windows build, cross-compiled here with MinGW-w64 and tested under Wine.
#
#   windows.sh deps [--pack FILE.tar.xz]  Qt 6.4.2 (Core, Gui, Widgets, PrintSupport, Test), its
#                                         serial port module and QCustomPlot for Windows, built
#                                         once from Debian's sources into a cache (~1 h on 2 cores)
#   windows.sh build                      the programs, their DLLs, the manuals, the installer
#                                         and the portable .zip in build/windows/
#   windows.sh test                       the tests and the installed program under Wine
#
# ORLOMAT_WINDEPS=DIR puts the Qt prefix elsewhere than ~/.cache/orlomat/windeps-<recipe>;
# ORLOMAT_WINDEPS_ARCHIVE=FILE.tar.xz unpacks one made by `deps --pack` instead of building;
# ORLOMAT_WINDEPS_SOURCES=DIR is where qtserialport-6.4.2-src.tar.xz is (../shared/windeps/).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"

say() { printf '=== %s\n' "$*"; }
die() {
  printf 'windows.sh: %s\n' "$*" >&2
  exit 1
}
step() { # step NAME COMMAND...: says what it does, runs it and how long it took
  local name=$1 start=$SECONDS
  shift
  say "$name"
  "$@"
  say "$name: $((SECONDS - start)) s"
}

# >>> deps recipe: everything between these lines (with the patches and the toolchain file
# in packaging/windows/ and the compiler's version) names the cache, so a change here builds
# a new prefix instead of reusing a stale one.
QT_VERSION=6.4.2
QTBASE_DEB=6.4.2+dfsg-10
QCUSTOMPLOT_DEB=2.1.0+dfsg1-3.1
SERIALPORT_TAR=qtserialport-6.4.2-src.tar.xz
SERIALPORT_SHA256=55057973ea7a3de4eefcde242d7c293d534246ab2659904645bba2d92a639cea
DEBIAN_MIRROR=http://deb.debian.org/debian
QTBASE_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_USE_CCACHE=ON
  -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_printsupport=ON -DFEATURE_testlib=ON
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_icu=OFF
  # FEATURE_opengl=OFF alone leaves dynamic OpenGL on, and the platform plugin then fails.
  -DINPUT_opengl=no -DFEATURE_opengl=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_zstd=OFF -DFEATURE_style_windowsvista=ON
)
# <<< deps recipe

recipe_hash() {
  {
    sed -n '/^# >>> deps recipe/,/^# <<< deps recipe/p' "$ROOT/scripts/windows.sh"
    cat "$ROOT"/packaging/windows/patches/*.patch "$ROOT/packaging/windows/mingw-w64-qt.cmake"
    x86_64-w64-mingw32-g++-posix --version | head -n1
  } | sha256sum | cut -c1-12
}
RECIPE=$(recipe_hash)
PREFIX="${ORLOMAT_WINDEPS:-$HOME/.cache/orlomat/windeps-$RECIPE}"
MARK="$PREFIX/orlomat-windeps.txt"

deps_ready() { [ -f "$MARK" ] && grep -qx "recipe $RECIPE" "$MARK"; }

fetch_sources() { # fetch_sources DIR: Debian's sources (checked by apt) and the serial port module
  local dir=$1 apt="$1/apt"
  mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial" "$dir/src"
  # A source list of our own: the system's apt configuration and lists stay untouched.
  cat >"$apt/parts/orlomat-windeps.sources" <<EOF
Types: deb-src
URIs: $DEBIAN_MIRROR
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  local opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User="$(id -un)")
  apt-get "${opts[@]}" -q update
  (cd "$dir/src" && apt-get "${opts[@]}" -q --download-only source \
    "qt6-base=$QTBASE_DEB" "qcustomplot=$QCUSTOMPLOT_DEB")
  # ../shared/windeps beside the repository (beside the main one when this is a git worktree).
  local from="${ORLOMAT_WINDEPS_SOURCES:-$ROOT/../shared/windeps}" common
  if [ -z "${ORLOMAT_WINDEPS_SOURCES:-}" ] && [ ! -d "$from" ] &&
    common=$(git -C "$ROOT" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
    from="$(dirname "$common")/../shared/windeps"
  fi
  [ -f "$from/$SERIALPORT_TAR" ] || die "$from/$SERIALPORT_TAR is missing (ORLOMAT_WINDEPS_SOURCES=DIR)"
  echo "$SERIALPORT_SHA256  $from/$SERIALPORT_TAR" | sha256sum -c --quiet ||
    die "$from/$SERIALPORT_TAR: wrong sha256"
  cp "$from/$SERIALPORT_TAR" "$dir/src/"
}

unpack_sources() { # unpack_sources DIR: the three source trees with our patches applied
  local dir=$1 p
  rm -rf "$dir/qtbase" "$dir/qcustomplot" "$dir/qtserialport"
  mkdir -p "$dir/qtbase" "$dir/qtserialport"
  tar -C "$dir/qtbase" --strip-components=1 -xf "$dir/src/qt6-base_${QTBASE_DEB%-*}.orig.tar.xz"
  tar -C "$dir/qtserialport" --strip-components=1 -xf "$dir/src/$SERIALPORT_TAR"
  # Debian's own patches to QCustomPlot add its CMake build.
  dpkg-source -q --no-check -x "$dir/src/qcustomplot_$QCUSTOMPLOT_DEB.dsc" "$dir/qcustomplot" >/dev/null
  for p in "$ROOT"/packaging/windows/patches/qtbase-*.patch; do
    echo "patch: qtbase < ${p##*/}"
    patch -s -d "$dir/qtbase" -p1 <"$p"
  done
  for p in "$ROOT"/packaging/windows/patches/qcustomplot-*.patch; do
    echo "patch: qcustomplot < ${p##*/}"
    patch -s -d "$dir/qcustomplot" -p1 <"$p"
  done
}

build_and_install() { # build_and_install BUILDDIR: ninja's progress on the terminal, idle priority
  nice -n 19 cmake --build "$1" -j2
  nice -n 19 cmake --install "$1" >/dev/null
}

build_qtbase() {
  local dir=$1
  # The toolchain file goes into the prefix: Qt's qt.toolchain.cmake loads it from there later.
  mkdir -p "$PREFIX/share/orlomat-windeps"
  cp "$ROOT/packaging/windows/mingw-w64-qt.cmake" "$PREFIX/share/orlomat-windeps/"
  cmake -G Ninja -S "$dir/qtbase" -B "$dir/build-qtbase" --fresh \
    -DCMAKE_TOOLCHAIN_FILE="$PREFIX/share/orlomat-windeps/mingw-w64-qt.cmake" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" "${QTBASE_OPTIONS[@]}" >"$dir/configure-qtbase.log" ||
    {
      tail -n 40 "$dir/configure-qtbase.log"
      die "configuring qtbase failed (log: $dir/configure-qtbase.log)"
    }
  build_and_install "$dir/build-qtbase"
}

build_module() { # build_module DIR NAME [CMAKE ARGS...]: a module against the installed Qt
  local dir=$1 name=$2
  shift 2
  cmake -G Ninja -S "$dir/$name" -B "$dir/build-$name" --fresh \
    -DCMAKE_TOOLCHAIN_FILE="$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release "$@" >"$dir/configure-$name.log" ||
    {
      tail -n 40 "$dir/configure-$name.log"
      die "configuring $name failed (log: $dir/configure-$name.log)"
    }
  build_and_install "$dir/build-$name"
}

deps() {
  local pack=""
  if [ "${1:-}" = "--pack" ]; then
    pack=${2:?"--pack FILE.tar.xz"}
    pack=$(realpath -m "$pack")
  fi
  say "Windows dependencies, recipe $RECIPE, prefix $PREFIX"
  if deps_ready; then
    say "already built: $PREFIX"
  elif [ -n "${ORLOMAT_WINDEPS_ARCHIVE:-}" ]; then
    step "unpacking $ORLOMAT_WINDEPS_ARCHIVE" unpack_archive "$ORLOMAT_WINDEPS_ARCHIVE"
  else
    local work="$PREFIX.work" start=$SECONDS
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || die "MinGW-w64 is missing (scripts/setup.sh)"
    rm -rf "$PREFIX"
    mkdir -p "$work"
    step "fetching sources into $work/src" fetch_sources "$work"
    step "unpacking and patching" unpack_sources "$work"
    step "qtbase $QT_VERSION (configure, ~900 build steps)" build_qtbase "$work"
    step "qtserialport $QT_VERSION" build_module "$work" qtserialport
    step "QCustomPlot ${QCUSTOMPLOT_DEB%-*}" build_module "$work" qcustomplot -DUSE_QT_VERSION=6 -DBUILD_SHARED_LIBS=ON
    printf 'recipe %s\nqtbase %s\nqcustomplot %s\nserialport %s\nbuilt %s\n' "$RECIPE" "$QTBASE_DEB" \
      "$QCUSTOMPLOT_DEB" "$SERIALPORT_TAR" "$(date -u +%FT%TZ)" >"$MARK"
    rm -rf "$work"
    say "dependencies built in $((SECONDS - start)) s"
  fi
  say "prefix: $PREFIX ($(du -sh "$PREFIX" | cut -f1))"
  if [ -n "$pack" ]; then
    step "packing $pack" pack_archive "$pack"
  fi
}

# The archive holds the prefix under its recipe's name; it is unpacked at $PREFIX.
pack_archive() {
  local tmp="$1.part"
  tar -C "$(dirname "$PREFIX")" -cf - "$(basename "$PREFIX")" | xz -T2 -6 >"$tmp"
  mv "$tmp" "$1"
  ls -l "$1"
}

unpack_archive() {
  local archive=$1 top tmp
  [ -f "$archive" ] || die "$archive: no such file"
  top=$(tar -tf "$archive" | head -n1)
  top=${top%%/*}
  tmp="$PREFIX.unpack"
  rm -rf "$tmp"
  mkdir -p "$tmp"
  tar -C "$tmp" -xf "$archive"
  grep -qx "recipe $RECIPE" "$tmp/$top/orlomat-windeps.txt" 2>/dev/null ||
    die "$archive was built from another recipe than $RECIPE"
  rm -rf "$PREFIX"
  mv "$tmp/$top" "$PREFIX"
  rmdir "$tmp"
}

case "${1:-}" in
deps)
  shift
  deps "$@"
  ;;
*)
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'
  exit 2
  ;;
esac
