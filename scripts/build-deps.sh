#!/usr/bin/env bash
# Cross-builds the third-party libraries as static Windows libraries for one
# target (ORVANE_ARCH: i686, the default, or x86_64) into a cache folder keyed
# by the target, their Debian source versions, the compiler and this script
# with its toolchain files; a second run with the same key does nothing.
# Prints the prefix folder on its last line. A failed step prints the end of
# its log and where the whole log is.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
arch=${ORVANE_ARCH:-i686}
case "$arch" in
  i686) openssl_target=mingw ;;
  x86_64) openssl_target=mingw64 ;;
  *) echo "build-deps: unknown ORVANE_ARCH '$arch' (i686 or x86_64)" >&2; exit 2 ;;
esac
toolchain="$repo/cmake/mingw-$arch.cmake"
triple=$arch-w64-mingw32
jobs=${ORVANE_JOBS:-2}

src_version() {
  apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -V | tail -n 1
}
upstream() { local v=${1#*:}; v=${v%-*}; echo "${v%%+*}"; }

ssl_v=$(src_version openssl)
curl_v=$(src_version curl)
json_v=$(src_version libjsoncpp)
gtest_v=$(dpkg-query -W -f='${Version}' googletest)
gcc_v=$($triple-gcc-posix -dumpversion)
script_sum=$(cat "$0" "$toolchain" "$repo/cmake/mingw-common.cmake" | sha256sum | cut -c1-8)
key="$arch.ssl-$ssl_v.curl-$curl_v.json-$json_v.gtest-$gtest_v.gcc-$gcc_v.$script_sum"
cache=${ORVANE_DEPS_CACHE:-$HOME/.cache/orvane-deps}
prefix="$cache/$key"

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "$cache.work.XXXX" 2>/dev/null || { mkdir -p "$cache"; mktemp -d "$cache.work.XXXX"; })
trap 'rm -rf "$work"' EXIT
mkdir -p "$prefix"
log="$prefix.log"
: > "$log"

# Runs one build step with its output in the log; on failure shows the end of
# the log, keeps the whole of it, and stops.
step() { # what, command...
  local what=$1; shift
  if ! "$@" >>"$log" 2>&1; then
    echo "build-deps: $what failed for $arch; last lines of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
  fi
}

# Only the upstream tarball is needed; the mirror may lack a newer Debian
# patch set, so a failed fetch of the other source files is tolerated.
fetch_source() { # package version -> sets $src to the unpacked upstream folder
  local pkg=$1 ver=$2
  (cd "$work" && apt-get source --download-only -qq "$pkg=$ver" >>"$log" 2>&1) || true
  local tarball
  tarball=$(ls "$work"/"${pkg}"_"$(upstream "$ver")".orig.tar.* 2>/dev/null | head -n 1)
  if [ -z "$tarball" ]; then
    echo "build-deps: cannot fetch the source of $pkg $ver; see $log" >&2
    exit 1
  fi
  src="$work/$pkg-src"
  mkdir -p "$src"
  tar -xf "$tarball" -C "$src" --strip-components=1
}

built() { [ -f "$prefix/.built-$1" ]; }
mark() { touch "$prefix/.built-$1"; }

cmake_static() { # source folder, build folder, extra args...
  local src=$1 build=$2; shift 2
  step "configuring $src" cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@"
  step "building $src" cmake --build "$build" -j "$jobs"
  step "installing $src" cmake --install "$build"
}

if ! built openssl; then
echo "building OpenSSL $ssl_v for $arch" >&2
fetch_source openssl "$ssl_v"
configure_openssl() (
  cd "$src" &&
  { ./Configure "$openssl_target" no-shared no-tests no-docs --cross-compile-prefix=$triple- \
      CC=gcc-posix CXX=g++-posix --prefix="$prefix" --libdir=lib ||
    ./Configure "$openssl_target" no-shared no-tests --cross-compile-prefix=$triple- \
      CC=gcc-posix CXX=g++-posix --prefix="$prefix" --libdir=lib; }
)
step "configuring OpenSSL" configure_openssl
step "building OpenSSL" make -C "$src" -j "$jobs" build_libs
step "installing OpenSSL" make -C "$src" install_dev
mark openssl
fi

# With curl's own tool (bin/curl.exe), built from the same source and
# options as the library: the download benchmark's fair peer under Wine.
if ! built curl; then
echo "building libcurl $curl_v for $arch" >&2
fetch_source curl "$curl_v"
cmake_static "$src" "$work/curl-build" \
  -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DCURL_USE_OPENSSL=ON -DCURL_USE_SCHANNEL=OFF -DOPENSSL_ROOT_DIR="$prefix" \
  -DOPENSSL_USE_STATIC_LIBS=ON \
  -DCURL_ZLIB=ON -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include \
  -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF \
  -DENABLE_UNIX_SOCKETS=OFF -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none
mark curl
fi

if ! built jsoncpp; then
echo "building JsonCpp $json_v for $arch" >&2
fetch_source libjsoncpp "$json_v"
cmake_static "$src" "$work/json-build" \
  -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
  -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF
mark jsoncpp
fi

if ! built gtest; then
echo "building GoogleTest $gtest_v for $arch" >&2
cmake_static /usr/src/googletest "$work/gtest-build" -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=ON
mark gtest
fi

touch "$prefix/.complete"
echo "$prefix"
