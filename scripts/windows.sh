#!/usr/bin/env bash
# The Windows build, cross-compiled here with MinGW-w64 and tested under Wine.
#
#   windows.sh deps [--pack FILE.tar.xz]  Qt 6.4.2 (Core, Gui, Widgets, PrintSupport, Test), its
#                                         serial port module and QCustomPlot for Windows, built
#                                         once from Debian's sources into a cache (60-90 min on 2 cores)
#   windows.sh build                      the programs, their DLLs, the manuals, the installer
#                                         and the portable .zip in build/windows/
#   windows.sh test [e2e|unit]            the installed program and the tests under Wine
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
  local name=$1 start=$SECONDS rc=0
  shift
  say "$name"
  "$@" || rc=$?
  say "$name: $((SECONDS - start)) s"
  return "$rc"
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
    if [ -f "$work/build-qtbase/build.ninja" ]; then
      # An interrupted build of this recipe: ninja goes on where it stopped.
      step "qtbase $QT_VERSION (resumed)" build_and_install "$work/build-qtbase"
    else
      rm -rf "$PREFIX"
      mkdir -p "$work"
      step "fetching sources into $work/src" fetch_sources "$work"
      step "unpacking and patching" unpack_sources "$work"
      step "qtbase $QT_VERSION (configure, about 1 100 build steps)" build_qtbase "$work"
    fi
    step "qtserialport $QT_VERSION" build_module "$work" qtserialport
    step "QCustomPlot ${QCUSTOMPLOT_DEB%-*}" build_module "$work" qcustomplot -DUSE_QT_VERSION=6 -DBUILD_SHARED_LIBS=ON
    printf 'recipe %s\nqtbase %s\nqcustomplot %s\nserialport %s\nbuilt %s\n' "$RECIPE" "$QTBASE_DEB" \
      "$QCUSTOMPLOT_DEB" "$SERIALPORT_TAR" "$(date -u +%FT%TZ)" >"$MARK"
    rm -rf "$work"
    say "dependencies built in $((SECONDS - start)) s"
  fi
  say "prefix: $PREFIX ($(du -shL "$PREFIX" | cut -f1))"
  if [ -n "$pack" ]; then
    step "packing $pack" pack_archive "$pack"
  fi
}

# The archive holds the prefix under its recipe's name; it is unpacked at $PREFIX.
pack_archive() {
  local tmp="$1.part" real name
  real=$(realpath "$PREFIX")
  name=$(basename "$PREFIX")
  # Under the recipe's name even where the prefix is a link to another folder.
  tar -C "$(dirname "$real")" --transform "s,^$(basename "$real"),$name," -cf - "$(basename "$real")" |
    nice -n 19 xz -T2 -6 >"$tmp"
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


# ---- build ------------------------------------------------------------------------------

OUT="$ROOT/build/windows"
CMAKE_DIR="$OUT/cmake"
STAGE="$OUT/stage/OrlomatBMP"
MINGW_DLL_DIRS=(/usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
# What the programs load besides Windows' own DLLs: checked against their imports at every
# build, so a missing one fails here and not on a user's machine.
QT_DLLS=(Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6PrintSupport.dll Qt6SerialPort.dll
  libQCustomPlotQt6.dll)
RUNTIME_DLLS=(libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
# (Printing on Windows is part of Qt6PrintSupport.dll itself since Qt 6.)
QT_PLUGINS=(platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll)
PROGRAMS=(OrlomatBMP.exe orlomat.exe orlomat-synth.exe)

need_deps() {
  if ! deps_ready; then
    if [ -n "${ORLOMAT_WINDEPS_ARCHIVE:-}" ]; then
      step "unpacking $ORLOMAT_WINDEPS_ARCHIVE" unpack_archive "$ORLOMAT_WINDEPS_ARCHIVE"
    else
      die "no Windows dependencies at $PREFIX: run \`bash scripts/windows.sh deps\` once (about an hour)"
    fi
  fi
}

# The Wine runs of the build (test discovery) and of ctest find the DLLs through this.
wine_emulator() {
  local dirs
  dirs=$(IFS=:; echo "$PREFIX/bin:${MINGW_DLL_DIRS[*]}")
  echo "env;ORLOMAT_WINE_DLL_DIRS=$dirs;$ROOT/cmake/wine-run.sh;$OUT/wineprefix"
}

project_version() {
  sed -n 's/^project(OrlomatBMP VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt"
}

configure_program() {
  cmake -G Ninja -S "$ROOT" -B "$CMAKE_DIR" \
    -DCMAKE_TOOLCHAIN_FILE="$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$ROOT/packaging/windows/mingw-w64-qt.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DORLOMAT_WERROR=ON -DORLOMAT_BENCH=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$(wine_emulator)" >"$OUT/configure.log" ||
    {
      tail -n 30 "$OUT/configure.log"
      die "configuring failed (log: $OUT/configure.log)"
    }
}

compile_programs() {
  nice -n 19 cmake --build "$CMAKE_DIR" -j2 --target OrlomatBMP orlomat orlomat-synth
}

compile_tests() {
  nice -n 19 cmake --build "$CMAKE_DIR" -j2
}

# The DLLs a program or DLL imports that Windows itself does not provide.
foreign_imports() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p' |
    grep -v -i -E '^(kernel32|user32|gdi32|advapi32|shell32|shcore|ole32|oleaut32|comdlg32|winspool|ws2_32|msvcrt|imm32|winmm|uxtheme|dwmapi|version|netapi32|userenv|setupapi|shlwapi|wtsapi32|d3d11|d3d9|d3d12|dxgi|dwrite|d2d1|dcomp|mpr|comctl32|authz|ntdll|cfgmgr32|api-ms-win-[a-z0-9-]*)\.(dll|drv)$' || true
}

stage_program() {
  rm -rf "$OUT/stage"
  mkdir -p "$STAGE/docs" "$STAGE/translations"
  local f p
  for p in "${PROGRAMS[@]}"; do
    f=$(find "$CMAKE_DIR/app" "$CMAKE_DIR/tools" -maxdepth 1 -name "$p" | head -n1)
    [ -n "$f" ] || die "$p was not built"
    cp "$f" "$STAGE/"
  done
  for f in "${QT_DLLS[@]}"; do cp "$PREFIX/bin/$f" "$STAGE/"; done
  for f in "${RUNTIME_DLLS[@]}"; do
    cp "$(find "${MINGW_DLL_DIRS[@]}" -maxdepth 1 -name "$f" | head -n1)" "$STAGE/"
  done
  for f in "${QT_PLUGINS[@]}"; do
    mkdir -p "$STAGE/plugins/$(dirname "$f")"
    cp "$PREFIX/plugins/$f" "$STAGE/plugins/$f"
  done
  # No symbols to ship (the C++ runtime alone carries 20 MB of them).
  find "$STAGE" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
  # Qt's prefix is the program's folder, not where Qt was built.
  printf '[Paths]\nPrefix = .\nPlugins = plugins\nTranslations = translations\n' >"$STAGE/qt.conf"
  # Qt's own dialog texts in Polish (the .qm files are the same on every system).
  cp /usr/share/qt6/translations/qtbase_pl.qm "$STAGE/translations/"
  cp "$ROOT"/docs/Orl_HELP?.html "$ROOT"/docs/*.png "$STAGE/docs/"
  cp "$ROOT/LICENSE" "$STAGE/LICENSE.txt"
  # Every DLL any of them imports is here or part of Windows.
  local missing=0 dll
  while IFS= read -r f; do
    while IFS= read -r dll; do
      if [ ! -f "$STAGE/$dll" ]; then
        echo "missing: $dll (imported by ${f#"$STAGE"/})" >&2
        missing=1
      fi
    done < <(foreign_imports "$f")
  done < <(find "$STAGE" -name '*.exe' -o -name '*.dll')
  [ "$missing" = 0 ] || die "the program would not start: DLLs missing"
  echo "staged $(find "$STAGE" -type f | wc -l) files, $(du -sh "$STAGE" | cut -f1): $STAGE"
}

# The installer's file lists, from the staged folder: what it installs and what its
# uninstaller removes (exactly that).
nsis_lists() {
  local lists=$1 d f
  mkdir -p "$lists"
  : >"$lists/install.nsh"
  : >"$lists/uninstall.nsh"
  while IFS= read -r d; do
    d=${d#"$STAGE"}
    printf 'SetOutPath "$INSTDIR%s"\n' "${d//\//\\}" >>"$lists/install.nsh"
    while IFS= read -r f; do
      f=${f#"$STAGE"}
      printf 'File "%s"\n' "$(winepath_of "$STAGE$f")" >>"$lists/install.nsh"
      printf 'Delete "$INSTDIR%s"\n' "${f//\//\\}" >>"$lists/uninstall.nsh"
    done < <(find "$STAGE$d" -maxdepth 1 -type f | sort)
  done < <(find "$STAGE" -type d | sort)
  find "$STAGE" -mindepth 1 -type d | sort -r | while IFS= read -r d; do
    d=${d#"$STAGE"}
    printf 'RMDir "$INSTDIR%s"\n' "${d//\//\\}" >>"$lists/uninstall.nsh"
  done
}

winepath_of() { printf '%s' "$1"; } # makensis here runs on Linux: plain paths

make_installer() {
  local version=$1 lists="$OUT/nsis"
  nsis_lists "$lists"
  makensis -V2 -DVERSION="$version" -DLISTS="$lists" \
    -DOUTFILE="$OUT/OrlomatBMP-$version-setup.exe" "$ROOT/packaging/windows/orlomatbmp.nsi"
  ls -l "$OUT/OrlomatBMP-$version-setup.exe"
}

make_zip() {
  local version=$1
  local zip="$OUT/OrlomatBMP-$version-win64.zip"
  rm -f "$zip"
  (cd "$OUT/stage" && rm -rf "OrlomatBMP-$version" && cp -a OrlomatBMP "OrlomatBMP-$version" &&
    zip -q -r -9 "$zip" "OrlomatBMP-$version" && rm -rf "OrlomatBMP-$version")
  ls -l "$zip"
}

build() {
  local start=$SECONDS version
  need_deps
  version=$(project_version)
  mkdir -p "$OUT"
  say "OrlomatBMP $version for Windows against $PREFIX"
  step "configure ($CMAKE_DIR)" configure_program
  step "compile the programs" compile_programs
  step "stage the program with its DLLs, plugins and manuals" stage_program
  step "installer (NSIS)" make_installer "$version"
  step "portable zip" make_zip "$version"
  step "compile the tests" compile_tests
  say "build: $((SECONDS - start)) s"
}

# ---- test -------------------------------------------------------------------------------

FAILURES=()
check() { # check WHAT COMMAND...: a failed check is noted, the rest still runs
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    FAILURES+=("$what")
  fi
}

XVFB_PID=""
EMULATOR_PID=""
cleanup_test() {
  if [ -n "$EMULATOR_PID" ]; then kill "$EMULATOR_PID" 2>/dev/null || true; fi
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

start_xvfb() { # a display of our own, the first free one from :90
  local n
  for n in $(seq 90 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    export DISPLAY=":$n"
    echo "Xvfb on $DISPLAY"
    return 0
  done
  die "no free X display"
}

linux_tools() { # the altimeter emulator and the synthesiser (Linux programs)
  EMULATOR="$ROOT/build/release/tools/orlomat-emulator"
  SYNTH="$ROOT/build/release/tools/orlomat-synth"
  LINUX_ORLOMAT="$ROOT/build/release/app/orlomat"
  if [ ! -x "$EMULATOR" ] || [ ! -x "$SYNTH" ] || [ ! -x "$LINUX_ORLOMAT" ]; then
    [ -f "$ROOT/build/release/CMakeCache.txt" ] || cmake --preset release >/dev/null
    nice -n 19 cmake --build "$ROOT/build/release" -j2 --target orlomat-emulator orlomat-synth orlomat
  fi
}

# The emulator behind a fixed name ($T/altimeter), which COM7 leads to.
start_emulator() {
  if [ -n "$EMULATOR_PID" ]; then
    kill "$EMULATOR_PID" 2>/dev/null || true
    wait "$EMULATOR_PID" 2>/dev/null || true
  fi
  rm -f "$T/altimeter"
  "$EMULATOR" --flight "$T/flight.bin" --link "$T/altimeter" "$@" >"$T/emulator.out" &
  EMULATOR_PID=$!
  for _ in $(seq 50); do
    [ -e "$T/altimeter" ] && return 0
    sleep 0.1
  done
  die "the emulator did not start"
}

# One wineserver for the whole run: one that quits between two tests races the next one's
# start ("recvmsg: Connection reset by peer").
unit_tests() {
  local rc=0
  "$ROOT/cmake/wine-run.sh" "$OUT/wineprefix" cmd /c exit >/dev/null 2>&1 || true
  WINEPREFIX="$OUT/wineprefix" wineserver -k || true
  WINEPREFIX="$OUT/wineprefix" wineserver -w || true
  # Wine's services start with the first program: with no output of ours to hold open.
  WINEPREFIX="$OUT/wineprefix" wineserver -p >/dev/null 2>&1 &
  "$ROOT/cmake/wine-run.sh" "$OUT/wineprefix" cmd /c exit >/dev/null 2>&1 || true
  ctest --test-dir "$CMAKE_DIR" --output-on-failure -j2 || rc=$?
  WINEPREFIX="$OUT/wineprefix" wineserver -k || true
  return "$rc"
}

win() { # the installed program's folder, Windows' way
  echo 'C:\Program Files\OrlomatBMP'
}

# The folder under the Wine user's profile that holds a path ending in $1.
user_file() {
  find -L "$WINEPREFIX/drive_c/users" -path "*$1" -type f 2>/dev/null | head -n1
}

e2e() {
  local version setup installed out code shot
  version=$(project_version)
  setup="$OUT/OrlomatBMP-$version-setup.exe"
  [ -f "$setup" ] || die "$setup missing: run windows.sh build"
  T="$OUT/e2e"
  # The last run's wineserver ends with its prefix.
  if [ -d "$T/wineprefix" ]; then WINEPREFIX="$T/wineprefix" wineserver -k 2>/dev/null || true; fi
  rm -rf "$T"
  mkdir -p "$T"
  # A prefix of its own, and nothing on the path: the installed program must bring all it needs.
  export WINEPREFIX="$T/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine links the profile's Documents into $HOME: a home of its own keeps ours out of it.
  mkdir -p "$T/home"
  export HOME="$T/home"
  unset WINEPATH
  step "wineboot" bash -c 'wineboot --init >/dev/null 2>&1; wineserver --wait'
  installed="$WINEPREFIX/drive_c/Program Files/OrlomatBMP"

  wine "$setup" /S
  wineserver --wait
  check "the installer installs silently" test -f "$installed/OrlomatBMP.exe" -a -f "$installed/orlomat.exe"
  check "Start-menu entry" test -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/OrlomatBMP/OrlomatBMP.lnk"

  "$SYNTH" --glide 30 -o "$T/flight.bin" >/dev/null
  # What the emulator sends, as the Linux tool reads it: the Windows reads must match it.
  start_emulator
  "$LINUX_ORLOMAT" download --port "$T/altimeter" -o "$T/reference.bin" >/dev/null
  start_emulator
  wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$T/altimeter" /f >/dev/null
  wineserver -k || true
  wineserver -w || true
  # One persistent wineserver, and Wine's services started with no output of ours: a service
  # holding a command's output open would keep $(...) waiting.
  wineserver -p >/dev/null 2>&1 &
  wine cmd /c exit >/dev/null 2>&1 || true

  mkdir -p "$T/Zawody łąka"
  code=0
  out=$(wine "$(win)\orlomat.exe" download --port COM7 -o "Z:$T/Zawody łąka/lot żółw.bin" 2>&1) ||
    code=$?
  check "orlomat.exe download --port COM7: exit 0 ($code: $out)" test "$code" = 0
  check "the flight arrived byte-exact ($(stat -c %s "$T/reference.bin") bytes) under a Polish name" \
    cmp -s "$T/reference.bin" "$T/Zawody łąka/lot żółw.bin"

  # Into a contest folder with Polish letters, and its download log checked there.
  start_emulator
  code=0
  out=$(wine "$(win)\orlomat.exe" download --port COM7 --dir "Z:$T/Zawody łąka" 2>&1) || code=$?
  check "download --dir into a folder named with Polish letters ($code: $out)" test "$code" = 0
  code=0
  out=$(wine "$(win)\orlomat.exe" verify "Z:$T/Zawody łąka" 2>&1) || code=$?
  check "verify there finds the flight as logged ($code: $out)" test "$code" = 0
  code=0
  out=$(wine "$(win)\orlomat.exe" download --lang pl --port COM9 -o "Z:$T/x.bin" 2>&1) || code=$?
  check "a port that is not there: exit 1, told in Polish UTF-8 ($out)" \
    bash -c '[ "$1" = 1 ] && iconv -f UTF-8 -t UTF-8 <<<"$2" >/dev/null && grep -q "[ąćęłńóśźż]" <<<"$2"' _ "$code" "$out"

  out=$(wine "$(win)\orlomat.exe" ports 2>&1) || true
  check "orlomat.exe ports lists COM7: $out" grep -q COM7 <<<"$out"

  ctrl_c
  gui_read
  uninstall
}

# Ctrl+C during a stream that stalls after 1 500 bytes: the console handler stops the
# download, which keeps what came and exits 3. (Wine turns SIGINT into the console's Ctrl+C.)
ctrl_c() {
  local pid code=0 json
  start_emulator --cut-after 1500
  wine "$(win)\\orlomat.exe" download --port COM7 -o "Z:$T/stalled.bin" >"$T/stalled.json" 2>"$T/stalled.err" &
  pid=$!
  for _ in $(seq 100); do
    [ -f "$T/stalled.bin.part" ] || [ "$(stat -c %s "$T/stalled.bin" 2>/dev/null || echo 0)" -gt 0 ] && break
    sleep 0.1
  done
  sleep 4
  kill -INT "$pid"
  wait "$pid" || code=$?
  json=$(cat "$T/stalled.json")
  check "Ctrl+C ends a stalled download with exit 3 ($code: $json $(cat "$T/stalled.err"))" test "$code" = 3
  check "and keeps the 1500 bytes that came" test "$(stat -c %s "$T/stalled.bin" 2>/dev/null)" = 1500
}

gui_read() {
  local wid kept shot="$T/window.png"
  start_emulator
  # In a Wine desktop of the screen's size, which places and maximizes windows as Windows does
  # (with no window manager on the X server the maximized window is cut off at the bottom).
  wine explorer /desktop=OrlomatBMP,1280x1024 "$(win)\\OrlomatBMP.exe" --port COM7 >"$T/window.log" 2>&1 &
  wid=$(timeout 60 xdotool search --sync --onlyvisible --name 'Orlomat BMP' | head -n1 || true)
  check "the installed OrlomatBMP.exe opens its window" test -n "$wid"
  if [ -n "$wid" ]; then
    sleep 4
    # "Odczyt Orlomatu": at (8, 8) of the client area, under the title and menu bars of the
    # window maximized in the desktop.
    xdotool mousemove 84 64 click 1
    for _ in $(seq 60); do
      kept=$(user_file "Documents/OrlomatBMP/flights/C*.dat")
      [ -n "$kept" ] && break
      sleep 1
    done
    sleep 3
    check "a click on Odczyt Orlomatu reads the flight into Documents\\OrlomatBMP\\flights" test -n "$kept"
    if [ -n "$kept" ]; then check "the flight kept is byte-exact" cmp -s "$T/reference.bin" "$kept"; fi
    check "the port that answered is remembered under %APPDATA%\\OrlomatBMP" \
      test -n "$(user_file "AppData/Roaming/OrlomatBMP/OrlomatBMP.ini")"
    import -display "$DISPLAY" -window root "$shot"
    cp "$shot" "$ROOT/docs/screenshot-windows-pl.png"
    echo "screenshot: docs/screenshot-windows-pl.png"
  fi
  wineserver -k || true
  sleep 1
}

uninstall() {
  local installed="$WINEPREFIX/drive_c/Program Files/OrlomatBMP"
  wine "$installed/Uninstall OrlomatBMP.exe" /S
  for _ in $(seq 60); do
    [ -e "$installed" ] || break
    sleep 1
  done
  wineserver --wait
  check "the uninstaller removes the program" test ! -e "$installed/OrlomatBMP.exe" -a ! -e "$installed"
  check "and its Start-menu entries" test ! -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/OrlomatBMP"
  check "the user's flights stay" test -n "$(user_file "Documents/OrlomatBMP/flights/C*.dat")"
  check "the user's settings stay" test -n "$(user_file "AppData/Roaming/OrlomatBMP/OrlomatBMP.ini")"
}

run_tests() {
  local start=$SECONDS
  need_deps
  [ -f "$CMAKE_DIR/CMakeCache.txt" ] || die "nothing built: run windows.sh build first"
  trap cleanup_test EXIT
  start_xvfb
  if [ "${1:-all}" != unit ]; then
    step "Linux emulator" linux_tools
    step "end to end: installer, COM7, window, uninstaller" e2e
  fi
  if [ "${1:-all}" != e2e ]; then
    check "unit and offscreen GUI tests under Wine" step "ctest under Wine" unit_tests
  fi
  say "test: $((SECONDS - start)) s"
  if [ "${#FAILURES[@]}" -gt 0 ]; then
    printf 'FAILED: %s\n' "${FAILURES[@]}" >&2
    exit 1
  fi
  say "Windows tests passed"
}

case "${1:-}" in
ready) # for scripts/test.sh: is there a prefix (or an archive of one) to build against?
  deps_ready || [ -n "${ORLOMAT_WINDEPS_ARCHIVE:-}" ]
  ;;
test) # test [e2e|unit]: only the end-to-end run, or only ctest
  run_tests "${2:-all}"
  ;;
build)
  build
  ;;
deps)
  shift
  deps "$@"
  ;;
*)
  sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'
  exit 2
  ;;
esac
