#!/usr/bin/env bash
# Installs the build into a temporary prefix, builds a consumer of the library with find_package
# and one with pkg-config, runs both, and runs the installed m8sim on a fresh handset home.
# Usage: install_test.sh BUILD_DIR CONSUMER_SOURCE_DIR
set -euo pipefail
build_dir=$1
consumer=$2
work=$(mktemp -d)
prefix=$work/prefix
# The handset servers the consumers started end with the test, before their homes go.
stop_servers() {
  for home in "$work"/home-*; do
    [[ -d $home ]] && "$prefix/bin/m8sim" --handset "$home" handset stop >/dev/null 2>&1
  done
  rm -rf "$work"
}
trap stop_servers EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
for f in include/m8api/exports.h include/m8api/ce/types.h share/m8api/default-handset/handset.toml \
  lib/m8api/m8-handset-server; do
  [[ -f $prefix/$f ]] || { echo "missing after install: $f" >&2; exit 1; }
done

# find_package(m8api)
cmake -S "$consumer" -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
env -u M8_DEFAULT_HANDSET_DATA "$prefix/bin/m8sim" --handset "$work/home-cmake" handset init >/dev/null
M8_HANDSET=$work/home-cmake "$work/cmake-consumer/consumer" >"$work/cmake-out"
grep -qx "status 1" "$work/cmake-out"
grep -qx "backlight 200" "$work/cmake-out"

# pkg-config
pc_dir=$(dirname "$(find "$prefix" -name m8api.pc)")
flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs m8api)
libdir=$(PKG_CONFIG_PATH=$pc_dir pkg-config --variable=libdir m8api)
# shellcheck disable=SC2086
g++ "$consumer/consumer.cpp" -o "$work/pc-consumer" $flags -Wl,-rpath,"$libdir"
M8_HANDSET=$work/home-pc "$work/pc-consumer" >"$work/pc-out"
grep -qx "status 1" "$work/pc-out"
grep -qx "backlight 200" "$work/pc-out"

# The installed m8sim makes the default handset from the installed data.
env -u M8_DEFAULT_HANDSET_DATA "$prefix/bin/m8sim" --handset "$work/home-init" --json handset init |
  grep -q "\"data\":\"$prefix/share/m8api/default-handset\""
env -u M8_DEFAULT_HANDSET_DATA "$prefix/bin/m8sim" --handset "$work/home-sim" --json demo |
  tail -n 1 | grep -q '"ok":true'
echo "install test passed"
