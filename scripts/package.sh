#!/usr/bin/env bash
# Builds the Debian package kervane_<version>_<arch>.deb in the repository's folder: the program,
# its ODBC driver (registered with unixODBC by the package's scripts), their data, menu entry,
# icon, manual pages and licences. Builds in build/ (what is already built there is reused), with
# the installation prefix /usr. The version is the one project() declares in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022

die() {
    echo "package.sh: $*" >&2
    exit 1
}

version=$(sed -n 's/^project(Kervane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || die "no version in project() of CMakeLists.txt"
changelog_version=$(sed -n '1s/^kervane (\([^)]*\)).*/\1/p' packaging/debian/changelog)
[ "$changelog_version" = "$version" ] \
    || die "packaging/debian/changelog starts with $changelog_version, not $version: add an entry for $version"
arch=$(dpkg --print-architecture)
libdir=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
odbc_library=/usr/$libdir/odbc/libkervaneodbc.so
deb=kervane_${version}_${arch}.deb

# The installed program only: the tests, when build/ has them, are not rebuilt for this.
generator=()
if [ ! -f build/CMakeCache.txt ] && command -v ninja > /dev/null; then generator=(-G Ninja); fi
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_LIBDIR="$libdir" > /dev/null
cmake --build build -j"$(nproc)" --target kervane

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# dpkg-shlibdeps wants a source tree: debian/control, and the package's files in debian/<package>.
root=$work/debian/kervane
mkdir -p "$root"
printf 'Source: kervane\n\nPackage: kervane\nArchitecture: any\n' > "$work/debian/control"
DESTDIR=$root cmake --install build --strip > /dev/null
[ -f "$root$odbc_library" ] || die "the driver was not installed as $odbc_library"

# Debian's layout: compressed manual pages, licences and changelog, no executable library.
find "$root/usr/share/man" -type f -exec gzip -9n {} +
install -D -m 644 packaging/debian/copyright "$root/usr/share/doc/kervane/copyright"
gzip -9n -c packaging/debian/changelog > "$root/usr/share/doc/kervane/changelog.gz"
chmod 644 "$root$odbc_library"

mkdir -p "$root/DEBIAN"
for script in postinst prerm postrm; do
    sed "s|@ODBC_LIBRARY@|$odbc_library|g" "packaging/debian/$script" > "$root/DEBIAN/$script"
    chmod 755 "$root/DEBIAN/$script"
done
shlibs=$(cd "$work" && dpkg-shlibdeps -O -e"$root/usr/bin/kervane" -e"$root$odbc_library" 2> "$work/shlibdeps.log") \
    || { cat "$work/shlibdeps.log" >&2; die "dpkg-shlibdeps failed"; }
shlibs=${shlibs#shlibs:Depends=}
[ -n "$shlibs" ] || die "dpkg-shlibdeps found no dependency"
installed_size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
sed -e "s|@VERSION@|$version|" -e "s|@ARCH@|$arch|" -e "s|@INSTALLED_SIZE@|$installed_size|" \
    -e "s|@SHLIBS_DEPENDS@|$shlibs|" packaging/debian/control.in > "$root/DEBIAN/control"
(cd "$root" && find . -type f ! -path './DEBIAN/*' -printf '%P\0' | sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" > /dev/null
echo "$deb"
