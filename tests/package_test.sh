#!/usr/bin/env bash
# The Debian package made from the build: its files, its control fields and its version, and
# its menu entry, software-centre metadata and manual pages checked by the tools of the trade
# where they are installed (lintian: no errors).
# Usage: package_test.sh BUILD-FOLDER VERSION   (exits 77, a skip, where it cannot run)
set -uo pipefail
build=$1 version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; exit 1; }
deb="$work/out/parlowen_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no $deb"; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/parlowen ./usr/bin/parlowen-compare ./usr/lib/parlowen/parlowen \
    ./usr/lib/parlowen/HAND-M.CUR ./usr/lib/parlowen/dragfolder.cur \
    ./usr/share/applications/org.parlowen.Parlowen.desktop \
    ./usr/share/icons/hicolor/scalable/apps/parlowen.svg \
    ./usr/share/metainfo/org.parlowen.Parlowen.metainfo.xml \
    ./usr/share/man/man1/parlowen.1.gz ./usr/share/man/man1/parlowen-compare.1.gz \
    ./usr/share/doc/parlowen/copyright ./usr/share/doc/parlowen/changelog.gz; do
    grep -qx "$path" <<<"$files" || fail "the package lacks $path"
done
[ "$(dpkg-deb -f "$deb" Package)" = parlowen ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-liberation libqt6svg6 qt6-qpa-plugins libqt6widgets6 libc6; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done

recommends=$(dpkg-deb -f "$deb" Recommends)
for font in fonts-noto-cjk fonts-noto-color-emoji; do
    grep -q "$font" <<<"$recommends" || fail "Recommends lacks $font: $recommends"
done

dpkg-deb -x "$deb" "$work/root"
grep -q "^License: GPL-3+" "$work/root/usr/share/doc/parlowen/copyright" ||
    fail "the copyright file does not say GPL-3+"
grep -q "<project_license>GPL-3.0-or-later</project_license>" \
    "$work/root/usr/share/metainfo/org.parlowen.Parlowen.metainfo.xml" ||
    fail "the metadata does not say GPL-3.0-or-later"
shown=$("$work/root/usr/bin/parlowen-compare" --version)
[ "$shown" = "parlowen-compare $version" ] || fail "--version says '$shown'"
grep -q "<release version=\"$version\"" "$work/root/usr/share/metainfo/org.parlowen.Parlowen.metainfo.xml" ||
    fail "the metadata's release is not $version"
for page in parlowen parlowen-compare; do
    zcat "$work/root/usr/share/man/man1/$page.1.gz" >"$work/$page.1"
    grep -q "$version" "$work/$page.1" || fail "$page(1) does not name version $version"
    if command -v groff >/dev/null; then
        said=$(groff -man -ww -z "$work/$page.1" 2>&1)
        [ -z "$said" ] || fail "$page(1): $said"
    fi
done
if command -v desktop-file-validate >/dev/null; then
    said=$(desktop-file-validate "$work/root/usr/share/applications/org.parlowen.Parlowen.desktop" 2>&1)
    [ -z "$said" ] || fail "desktop-file-validate: $said"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.parlowen.Parlowen.metainfo.xml" ||
        fail "appstreamcli validate"
fi
if command -v lintian >/dev/null; then
    errors=$(lintian "$deb" 2>/dev/null | grep '^E:')
    [ -z "$errors" ] || fail "lintian: $errors"
fi
[ "$failures" = 0 ] && echo "the package holds what it should"
exit $((failures > 0))
