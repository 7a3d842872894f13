#!/usr/bin/env bash
# Installs the built program into a staging root as a packager would, checks that the
# launcher and the software-centre description validate and that the program and its
# icons lie where a desktop looks for them, that the installed program keeps its notes
# in the user's data folder, and that the Debian package builds with the same contents.
set -u
build=${1:?usage: check_install.sh BUILD-DIR}
build=$(cd "$build" && pwd)

for tool in desktop-file-validate:desktop-file-utils appstreamcli:appstream cpack:cmake \
    dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file setpriv:util-linux; do
    command -v "${tool%%:*}" >/dev/null ||
        { echo "SKIP: ${tool%%:*} is not installed (apt-get install ${tool#*:})"; exit 77; }
done

work=$(mktemp -d)
program=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

passed=0 failed=0
check() { # description, then a command that must succeed
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"; else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
png_is() { # file, size: the PNG header's width and height
    local header
    header=$(od -An -tu1 -j16 -N8 "$1" 2>/dev/null | tr -s ' ' ' ')
    [ "$header" = " 0 0 $(($2 / 256)) $(($2 % 256)) 0 0 $(($2 / 256)) $(($2 % 256))" ]
}
desktop_key() { sed -n "s/^$1=//p" "$2" | head -1; }

stage=$work/stage
usr=$stage/usr
echo "== cmake --install into $stage"
check "install succeeds" env DESTDIR="$stage" cmake --install "$build" --prefix /usr
check "program in bin" test -x "$usr/bin/pinvelle"
desktop=$usr/share/applications/pinvelle.desktop
metainfo=$usr/share/metainfo/example.pinvelle.Pinvelle.metainfo.xml
check "launcher in applications" test -f "$desktop"
check "description in metainfo" test -f "$metainfo"
check "scalable icon" test -f "$usr/share/icons/hicolor/scalable/apps/pinvelle.svg"
for size in 16 32 48 64 128 256; do
    check "${size}x${size} icon of that size" png_is "$usr/share/icons/hicolor/${size}x${size}/apps/pinvelle.png" "$size"
done

echo "== validation"
check "desktop-file-validate passes" desktop-file-validate "$desktop"
check "appstreamcli validate passes" appstreamcli validate --no-net "$metainfo"
check "the launcher starts the installed program" test -x "$usr/bin/$(desktop_key Exec "$desktop")"
check "its New Note action runs the installed program" test -x "$usr/bin/$(sed -n '/^\[Desktop Action new-note\]/,$s/^Exec=\([^ ]*\) --new-note$/\1/p' "$desktop")"
check "the launcher's icon is installed" test -f "$usr/share/icons/hicolor/scalable/apps/$(desktop_key Icon "$desktop").svg"
check "the description names the launcher" grep -q '<launchable type="desktop-id">pinvelle.desktop</launchable>' "$metainfo"
check "the installed program runs" bash -c "QT_QPA_PLATFORM=offscreen '$usr/bin/pinvelle' --version | grep -q '2\.1'"

echo "== notes of the installed program"
# As an ordinary user the program's own folder cannot be written, so the notes go to
# the user's data folder.
home=$work/home
mkdir -p "$home/config/Pinvelle" "$home/data" "$home/run"
printf '[StartUpQ]\nqStrup=1\n' >"$home/config/Pinvelle/Pinvelle.conf"
chown -R 65534:65534 "$home"
chmod 700 "$home/run"
env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
    XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen \
    setpriv --reuid=65534 --regid=65534 --clear-groups "$usr/bin/pinvelle" >"$work/run.log" 2>&1 &
program=$!
appears() { for _ in $(seq 100); do [ -d "$1" ] && return 0; sleep 0.1; done; return 1; }
check "notes folder made in the user's data folder" appears "$home/data/Pinvelle/Pinvelle"
check "nothing written beside the program" test "$(ls -A "$usr/bin")" = pinvelle
kill "$program" 2>/dev/null; wait "$program" 2>/dev/null; program=""

echo "== Debian package"
make_package() { cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; }
check "cpack builds the package" make_package
deb=$(ls "$work"/package/pinvelle_*.deb 2>/dev/null | head -1)
check "one .deb made" test -n "$deb"
[ -n "$deb" ] || cat "$work/cpack.log"
if [ -n "$deb" ]; then
    echo "package: $(basename "$deb")"
    dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
    for path in ./usr/bin/pinvelle ./usr/share/applications/pinvelle.desktop \
        ./usr/share/metainfo/example.pinvelle.Pinvelle.metainfo.xml \
        ./usr/share/icons/hicolor/scalable/apps/pinvelle.svg \
        ./usr/share/icons/hicolor/48x48/apps/pinvelle.png; do
        check "package holds $path" grep -qx "$path" "$work/contents"
    done
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    check "package is named pinvelle" test "$(dpkg-deb -f "$deb" Package)" = pinvelle
    for lib in libqt6widgets6 libqt6network6 libgumbo1; do
        check "package depends on $lib" grep -q "$lib" <<<"$depends"
    done
    mkdir -p "$work/unpacked"
    dpkg-deb -x "$deb" "$work/unpacked"
    check "packaged launcher validates" desktop-file-validate "$work/unpacked/usr/share/applications/pinvelle.desktop"
    check "packaged program runs" bash -c "QT_QPA_PLATFORM=offscreen '$work/unpacked/usr/bin/pinvelle' --version | grep -q '2\.1'"
fi

# The site's package: its options file kept across upgrades, a copyright file, and the
# service's hardening as systemd rates it (0 is best, 10 worst).
unit="$(dirname "$0")/../../resources/site/pinvelle-site.service"
if site_deb=$("$(dirname "$0")/../../scripts/site-deb" "$build" "$work" 2>"$work/site-deb.log"); then
    dpkg-deb -c "$site_deb" | awk '{print $6}' >"$work/site-contents"
    check "site package holds its copyright file" grep -qx './usr/share/doc/pinvelle-site/copyright' "$work/site-contents"
    check "site options file is a conffile" bash -c "dpkg-deb -I '$site_deb' conffiles | grep -qx /etc/default/pinvelle-site"
else
    check "site package builds" cat "$work/site-deb.log"
fi
check "service reads its options file" grep -q '^EnvironmentFile=-/etc/default/pinvelle-site' "$unit"
if command -v systemd-analyze >/dev/null; then
    exposure=$(systemd-analyze security --offline=yes "$unit" 2>/dev/null |
               sed -n 's/.*Overall exposure level for .*: \([0-9.]*\).*/\1/p')
    echo "service exposure: ${exposure:-unknown}"
    check "service hardened to 2.0 or less" awk -v e="${exposure:-99}" 'BEGIN { exit !(e <= 2.0) }'
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
