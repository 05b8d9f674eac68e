#!/usr/bin/env bash
# Builds the Debian package the way scripts/package does (its own tree, Debian's hardening
# flags) and checks it as Debian would: lintian with no error and no warning, what it holds,
# its binaries hardened, its metadata valid; and that `cmake --install` of the test's build
# tree installs the manual pages too.
# Usage: package.sh <build folder> <source folder>
set -euo pipefail
build=$1 source=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

desktop-file-validate "$source"/packaging/*.desktop || fail "desktop entries"
# The metainfo: no error, and no warning but those the project knows and explains here.
#   url-homepage-missing  lichtpult has no web page of its own (AppStream 1.0 warns, 0.16 not)
explained=(url-homepage-missing)
report=$(appstreamcli validate --no-net --no-color "$source"/packaging/*.metainfo.xml 2>&1) || true
echo "$report"
! grep -qE '^ *E: ' <<<"$report" || fail "AppStream reports errors"
grep -q '^ *W: ' <<<"$report" || grep -q 'Validation was successful' <<<"$report" || fail "AppStream: no verdict"
for tag in $(sed -n 's/^ *W: [^ ]* \([a-z0-9-]*\).*/\1/p' <<<"$report"); do
  [[ " ${explained[*]} " == *" $tag "* ]] || fail "AppStream warns $tag, which nothing here explains"
done
for page in "$source"/packaging/man/*.1 "$source"/packaging/man/de/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done

pages=(man/man1/lichtpult.1.gz man/man1/lichtpult-demo.1.gz man/man1/lichtpult-sim.1.gz
       man/de/man1/lichtpult.1.gz man/de/man1/lichtpult-demo.1.gz)
installed=$(mktemp -d)
trap 'rm -rf "$installed"' EXIT
DESTDIR=$installed cmake --install "$build" --prefix /usr >/dev/null
for page in "${pages[@]}"; do
  [ -f "$installed/usr/share/$page" ] || fail "cmake --install did not install $page"
done

deb=$("$source/scripts/package" "$build/deb" 2>"$build/deb-build.log") \
  || { cat "$build/deb-build.log"; fail "the package did not build"; exit 1; }
echo "$deb"
contents=$(dpkg-deb -c "$deb")
for path in usr/bin/lichtpult usr/bin/lichtpult-demo usr/bin/lichtpult-sim \
            usr/share/applications/lichtpult.desktop usr/share/applications/lichtpult-demo.desktop \
            usr/share/icons/hicolor/scalable/apps/lichtpult.svg \
            usr/share/metainfo/org.example.lichtpult.metainfo.xml \
            usr/share/metainfo/org.example.lichtpult.demo.metainfo.xml \
            usr/share/doc/lichtpult/changelog.gz usr/share/doc/lichtpult/copyright \
            usr/share/doc/lichtpult/examples/ports.conf \
            "${pages[@]/#/usr/share/}"; do
  grep -q " \./$path\$" <<<"$contents" || fail "missing from the package: $path"
done

# The override that explains the missing homepage, exactly where this lintian knows its tag.
if lintian-explain-tags appstream-metadata-validation-failed >/dev/null 2>&1; then
  grep -q ' \./usr/share/lintian/overrides/lichtpult$' <<<"$contents" || fail "no lintian override"
else
  ! grep -q 'lintian/overrides' <<<"$contents" || fail "a lintian override this lintian does not know"
fi

maintainer=$(dpkg-deb -f "$deb" Maintainer)
[ "$maintainer" = "lichtpult developers <lichtpult@example.org>" ] || fail "Maintainer: $maintainer"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6widgets6 qt6-qpa-plugins fonts-liberation; do
  grep -q "$package" <<<"$depends" || fail "$package not in Depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 3 ] || fail "no extended description"

# The five hardening features, read off the binaries themselves.
unpacked=$installed/deb
dpkg-deb -x "$deb" "$unpacked"
for program in "$unpacked"/usr/bin/*; do
  name=${program##*/}
  headers=$(readelf -h -l -d -W "$program") symbols=$(readelf --dyn-syms -W "$program")
  grep -q 'Type: *DYN' <<<"$headers" || fail "$name is no PIE"
  grep -q 'GNU_RELRO' <<<"$headers" || fail "$name has no relro"
  grep -q 'BIND_NOW' <<<"$headers" || fail "$name is not bound now"
  grep -q '_chk@' <<<"$symbols" || fail "$name calls no fortified function"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$name has no stack protector"
  [ -z "$(readelf -S -W "$program" | grep -E '\.(symtab|debug_)')" ] || fail "$name is not stripped"
done

report=$(lintian --pedantic --display-info "$deb" 2>&1 | grep -v '^running with root privileges') || true
echo "lintian: ${report:-(nothing)}"
! grep -qE '^[EW]: ' <<<"$report" || fail "lintian reports errors or warnings"
lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || fail "lintian --fail-on error,warning"

[ $failures -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "1 passed, 0 failed"
