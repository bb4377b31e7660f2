#!/usr/bin/env bash
# Proves that the Debian package installs and runs, without touching the system's package database:
#   1. unpacks the .deb into a fresh root folder (dpkg-deb -x), as dpkg would lay it out under /;
#   2. checks that the programs, desktop entries and every hicolor icon size are there and that the
#      entries pass desktop-file-validate (when installed);
#   3. checks the Depends field: every shared library that the two programs, velmora's two plugins
#      (film player, web view) and what is loaded at run time (Qt's X11 platform plugin, the libVLC
#      plugins a film with subtitles needs, the web engine's page process and resources) load
#      belongs to a package that "apt-get install ./velmora_*.deb" would pull in (the Depends
#      packages and, recursively, their own dependencies), and no library is missing;
#   4. starts the unpacked velmora under Xvfb (offscreen without xvfb-run) with a home folder of its
#      own and a subtitle file: it must load the file, paint the grid, find its film player plugin in
#      the unpacked tree and start libVLC from it, save a screenshot and exit 0, create its store in
#      $XDG_DATA_HOME/velmora and its log folder in $XDG_CACHE_HOME/velmora, delete an old temporary
#      subtitle there and keep other files, and write nothing into the unpacked root;
#   5. starts the unpacked trelline and requires it to report its window and keep running;
#   6. asks the unpacked mini for its help without a display, then starts it on the dictionary velmora
#      made, with one pair added, and requires it to find that store and keep running;
#   7. asks the unpacked velmora-cli for its help and has it convert the sample file, without a
#      display, and checks that its manual page and bash completion are installed;
#   8. checks that the programs and plugins were built with Debian's hardening flags (stack
#      protector, _FORTIFY_SOURCE, full RELRO, BIND_NOW, PIE), read from the files with readelf.
# Usage: check_package.sh FILE.deb | check_package.sh --build BUILD_DIR (packs that tree first)
# A package file is always held to the hardening flags (tools/package builds with them); a build
# tree only when it was configured with them, which the sanitized test tree is not.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
fail() { echo "check_package: FAIL: $*" >&2; exit 1; }
step() { echo "check_package: $*"; }

if [ "${1:-}" = "--inside-display" ]; then
    inside=1
    shift
else
    inside=0
fi

# Prints what a file built into the package lacks of the hardening flags; nothing when it has them all.
# With "program", also the marks of the compiler's flags: a function the stack protector guards and
# a call _FORTIFY_SOURCE checks. Whether a small plugin holds either depends on its code (velmora's
# web view plugin has neither), not on the flags; the programs, built in the same run, have both.
hardening_gaps() {
    local file="$1" kind="${2:-}" header dynamic symbols gaps=()
    header="$(readelf -hW "$file")" && dynamic="$(readelf -dW "$file")" && symbols="$(readelf --dyn-syms -W "$file")" ||
        { echo "unreadable"; return; }
    if [ "$kind" = program ]; then
        grep -q '__stack_chk_fail' <<<"$symbols" || gaps+=("stack protector")
        # _FORTIFY_SOURCE turns the checkable calls into their __*_chk forms (__memcpy_chk…).
        grep -Eq ' __[a-z0-9_]+_chk(@|$)' <<<"$symbols" || gaps+=("_FORTIFY_SOURCE")
    fi
    readelf -lW "$file" | grep -q 'GNU_RELRO' || gaps+=("RELRO")
    grep -Eq '\(BIND_NOW\)|Flags: .*NOW' <<<"$dynamic" || gaps+=("BIND_NOW")
    if grep -q 'Type: *EXEC' <<<"$header"; then
        gaps+=("PIE")
    fi
    echo "${gaps[*]}"
}

check_hardening() {
    local root="$1" file gaps bad=0
    for file in "$root/usr/bin/velmora" "$root/usr/bin/trelline" "$root/usr/bin/mini" "$root/usr/bin/velmora-cli" \
        "$root"/usr/lib/velmora/*.so; do
        case "$file" in */bin/*) gaps="$(hardening_gaps "$file" program)" ;; *) gaps="$(hardening_gaps "$file")" ;; esac
        if [ -n "$gaps" ]; then
            echo "  ${file#"$root/"} lacks: $gaps" >&2
            bad=1
        fi
    done
    [ "$bad" = 0 ] || fail "built without Debian's hardening flags (tools/package passes dpkg-buildflags)"
    step "programs and plugins built hardened: stack protector, _FORTIFY_SOURCE, full RELRO, BIND_NOW, PIE"
}

if [ "$inside" = 0 ]; then
    [ $# -ge 1 ] || fail "usage: check_package.sh FILE.deb | --build BUILD_DIR"
    hardened=1
    work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-package-check.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    if [ "$1" = "--build" ]; then
        [ $# -ge 2 ] || fail "--build needs a build folder"
        step "packing $2"
        # gzip rather than xz: the same contents, packed in a quarter of the time.
        cpack --config "$2/CPackConfig.cmake" -B "$work/pack" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
            >"$work/cpack.log" 2>&1 ||
            { cat "$work/cpack.log" >&2; fail "cpack failed"; }
        deb="$(ls "$work"/pack/velmora_*.deb)"
        grep -q '^CMAKE_CXX_FLAGS:.*-D_FORTIFY_SOURCE' "$2/CMakeCache.txt" || hardened=0
    else
        deb="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
    fi
    [ -f "$deb" ] || fail "no package at $deb"

    # ---------------------------------------------------------------- 1. unpack
    root="$work/root"
    mkdir -p "$root"
    dpkg-deb -x "$deb" "$root"
    step "unpacked $(basename "$deb") ($(stat -c %s "$deb") bytes) into a fresh root"

    # ---------------------------------------------------------------- 2. contents
    for f in usr/bin/velmora usr/bin/trelline usr/bin/mini; do
        [ -x "$root/$f" ] || fail "$f missing or not executable"
    done
    # Private plugins, where velmora looks for them relative to its own folder.
    plugins=("$root/usr/lib/velmora/velmora_vlc.so" "$root/usr/lib/velmora/velmora_webview.so")
    for f in "${plugins[@]}"; do
        [ -f "$f" ] || fail "${f#"$root/"} missing"
    done
    for name in velmora trelline; do
        [ -f "$root/usr/share/applications/$name.desktop" ] || fail "$name.desktop missing"
        [ -f "$root/usr/share/icons/hicolor/scalable/apps/$name.svg" ] || fail "$name.svg missing"
        for size in 16 22 24 32 48 64 128 256; do
            png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$name.png"
            [ -s "$png" ] || fail "${size}x${size} icon of $name missing"
        done
    done
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entries do not validate"
        step "desktop entries validate"
    fi

    [ -x "$root/usr/bin/velmora-cli" ] || fail "usr/bin/velmora-cli missing or not executable"
    gzip -t "$root/usr/share/man/man1/velmora-cli.1.gz" 2>/dev/null || fail "the manual page of velmora-cli is missing"
    bash -n "$root/usr/share/bash-completion/completions/velmora-cli" 2>/dev/null ||
        fail "the bash completion of velmora-cli is missing or no shell script"

    # Translation opens libcurl when first used: linked, it and its two dozen libraries would slow
    # every start of the window.
    if readelf -dW "$root/usr/bin/velmora" | grep -q 'NEEDED.*libcurl'; then
        fail "usr/bin/velmora links libcurl, which start-up should not load"
    fi

    # ---------------------------------------------------------------- 8. hardening (before the long steps)
    if [ "$hardened" = 1 ]; then
        check_hardening "$root"
    else
        step "not a hardened build: its hardening is not checked"
    fi

    # ---------------------------------------------------------------- 3. dependencies
    depends="$(dpkg-deb -f "$deb" Depends)"
    step "Depends: $depends"
    # Files loaded at run time without a linker record, as this machine has them: what apt installs
    # for the Depends must hold them too. Found by path, whichever package ships them.
    installed_file() {
        dpkg -S "$1" 2>/dev/null | sed -n 's/^[^:]*:[^ ]* //p' | head -n1 || true
    }
    runtime=() # programs and libraries
    data=()    # files read
    # libcurl.so.4: translation opens it by name on first use.
    for pattern in '*/qt6/plugins/platforms/libqxcb.so' '*/QtWebEngineProcess' '*/qtwebengine_resources.pak' \
        '*/libcurl.so.4'; do
        f="$(installed_file "$pattern")"
        [ -n "$f" ] || fail "nothing installed here matches $pattern"
        case "$f" in *.pak) data+=("$f") ;; *) runtime+=("$f") ;; esac
    done
    # libVLC's plugins for a film with subtitles: the file, common containers, the decoders, the
    # subtitle reader and renderer, the X11/OpenGL picture and the sound.
    vlccore="$(ldd "$root/usr/lib/velmora/velmora_vlc.so" | awk '$1 ~ /^libvlccore\.so/ {print $3}')"
    [ -n "$vlccore" ] || fail "velmora_vlc.so does not load libvlccore"
    vlc_plugins="$(dirname "$(readlink -f "$vlccore")")/vlc/plugins"
    for f in access/libfilesystem_plugin.so demux/libmp4_plugin.so demux/libmkv_plugin.so \
        demux/libavi_plugin.so codec/libavcodec_plugin.so demux/libsubtitle_plugin.so \
        codec/libsubsdec_plugin.so text_renderer/libfreetype_plugin.so video_chroma/libswscale_plugin.so \
        video_output/libxcb_x11_plugin.so video_output/libgl_plugin.so audio_output/libpulse_plugin.so \
        audio_output/libalsa_plugin.so; do
        [ -f "$vlc_plugins/$f" ] || fail "libVLC plugin $f is not installed here"
        runtime+=("$vlc_plugins/$f")
    done
    libs=""
    for f in "$root/usr/bin/velmora" "$root/usr/bin/trelline" "$root/usr/bin/mini" "$root/usr/bin/velmora-cli" \
        "${plugins[@]}" "${runtime[@]}"; do
        linked="$(ldd "$f")" || fail "ldd cannot read $f"
        if grep -q 'not found' <<<"$linked"; then
            grep 'not found' <<<"$linked" >&2
            fail "${f#"$root/"} misses a library"
        fi
        libs+="$(awk '/=>/ && $3 ~ /^\// {print $3}' <<<"$linked")"$'\n'
    done
    libs="$(printf '%s\n' "$libs" "${runtime[@]}" "${data[@]}" | sed '/^$/d' | sort -u)"
    step "$(wc -l <<<"$libs") libraries and run-time files to cover"
    python3 - "$depends" $libs <<'PY' || fail "the package's dependencies miss a library"
import subprocess, sys

depends, libs = sys.argv[1], sys.argv[2:]

# One look at the package database: what is installed, what it provides and depends on.
fields = "${Package}\t${Status}\t${Provides}\t${Depends}, ${Pre-Depends}\n"
table = subprocess.run(["dpkg-query", "-W", "-f", fields], capture_output=True, text=True).stdout
installed, providers = {}, {}
for line in table.splitlines():
    name, status, provides, deps = (line.split("\t") + ["", "", ""])[:4]
    if not status.endswith(" installed"):
        continue
    installed[name] = deps
    for p in provides.split(","):
        p = p.strip().split(" ")[0]
        if p:
            providers.setdefault(p, []).append(name)

def choose(alternatives):
    # apt takes the first alternative that can be had; here, the first one this machine has.
    for a in alternatives:
        a = a.strip().split(" ")[0].split(":")[0]
        if a in installed:
            return [a]
        if a in providers:
            return providers[a][:1]
    return []

def dependencies(field):
    return [p for group in field.split(",") if group.strip() for p in choose(group.split("|"))]

closure, queue = set(), dependencies(depends)
while queue:
    p = queue.pop()
    if p not in closure:
        closure.add(p)
        queue += dependencies(installed.get(p, ""))

# Which package owns each library, under either spelling of a merged /usr path.
variants = {lib: {lib, lib.replace("/usr/lib/", "/lib/", 1), lib.replace("/lib/", "/usr/lib/", 1)} for lib in libs}
search = sorted(set().union(*variants.values())) if variants else []
owners = {}
for line in subprocess.run(["dpkg", "-S", *search], capture_output=True, text=True).stdout.splitlines():
    packages, _, path = line.partition(": ")
    owners[path] = packages.split(",")[0].split(":")[0].strip()

missing = []
for lib in libs:
    owner = next((owners[v] for v in variants[lib] if v in owners), "")
    if not owner:
        missing.append(f"{lib} (owned by no package)")
    elif owner not in closure:
        missing.append(f"{lib} (from {owner}, not pulled in)")
for m in missing:
    print("  missing:", m, file=sys.stderr)
if missing:
    sys.exit(1)
print(f"check_package: {len(libs)} libraries, all from the {len(closure)} packages the Depends pull in")
PY

    # ---------------------------------------------------------------- 4./5. run (under a display)
    find "$root" -printf '%p %s %T@\n' | sort >"$work/root-before.txt"
    export VELMORA_CHECK_WORK="$work" VELMORA_CHECK_ROOT="$root"
    if command -v xvfb-run >/dev/null; then
        step "starting the programs under Xvfb"
        xvfb-run -a -s "-screen 0 1280x800x24" bash "$here/check_package.sh" --inside-display
    else
        step "starting the programs offscreen (no xvfb-run)"
        QT_QPA_PLATFORM=offscreen bash "$here/check_package.sh" --inside-display
    fi
    find "$root" -printf '%p %s %T@\n' | sort >"$work/root-after.txt"
    diff -u "$work/root-before.txt" "$work/root-after.txt" >&2 || fail "the programs wrote into the installed root"
    step "passed"
    exit 0
fi

# ---------------------------------------------------------------- inside the display
work="$VELMORA_CHECK_WORK"
root="$VELMORA_CHECK_ROOT"
if [ -n "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=xcb; fi
export HOME="$work/home" XDG_DATA_HOME="$work/xdg-data" XDG_CACHE_HOME="$work/xdg-cache"
export XDG_CONFIG_HOME="$work/xdg-config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CACHE_HOME/velmora" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# A temporary subtitle an earlier run left, and a file of the user's that must survive.
echo x >"$XDG_CACHE_HOME/velmora/1700000000translated.srt"
echo x >"$XDG_CACHE_HOME/velmora/notes.txt"
printf '1\r\n00:00:01,000 --> 00:00:02,500\r\nHello there.\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nGood bye.\r\n' \
    >"$work/sample.srt"

# A sanitized build (tools/test) reports what D-Bus keeps for the process's life as a leak; Qt's
# D-Bus thread, when the process ends while it still starts up, now and then as well.
printf 'leak:libdbus-1.so\nleak:libQt6DBus.so\n' >"$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

cd "$work"
status=0
VELMORA_SCREENSHOT="$work/velmora.png" VELMORA_CHECK_PLUGINS=1 timeout 120 "$root/usr/bin/velmora" \
    "$work/sample.srt" >"$work/velmora.out" 2>&1 || status=$?
if [ "$status" != 0 ]; then
    cat "$work/velmora.out" >&2
    fail "velmora exited with status $status"
fi
[ -s "$work/velmora.png" ] || fail "velmora did not show the loaded file (no screenshot)"
grep -q "^velmora plugin .*/usr/lib/velmora/velmora_vlc\.so$" "$work/velmora.out" ||
    { cat "$work/velmora.out" >&2; fail "velmora did not start libVLC from its installed plugin"; }
for f in word.lxd sentence.lxd; do
    [ -f "$XDG_DATA_HOME/velmora/$f" ] || fail "velmora did not open its store in \$XDG_DATA_HOME/velmora ($f)"
done
[ -d "$XDG_CACHE_HOME/velmora/log" ] || fail "velmora made no log folder in \$XDG_CACHE_HOME/velmora"
[ ! -e "$XDG_CACHE_HOME/velmora/1700000000translated.srt" ] || fail "the old temporary subtitle was not removed"
[ -f "$XDG_CACHE_HOME/velmora/notes.txt" ] || fail "velmora removed a file that is not its own"
step "velmora started ($QT_QPA_PLATFORM), showed the file, started libVLC from its plugin, kept its files in the XDG folders"

"$root/usr/bin/trelline" >"$work/trelline.out" 2>&1 &
pid=$!
for _ in $(seq 1 120); do
    grep -q "trelline started" "$work/trelline.out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.25
done
grep -q "trelline started" "$work/trelline.out" || { cat "$work/trelline.out" >&2; fail "trelline did not start"; }
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$work/trelline.out" >&2; fail "trelline ended on its own"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
step "trelline started ($QT_QPA_PLATFORM) and kept running"

# Help needs no display; the study window reads the store velmora made above, with one pair in it.
env -u DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/mini" --help >"$work/mini-help.out" 2>&1 ||
    { cat "$work/mini-help.out" >&2; fail "mini --help failed"; }
grep -q "^Usage: mini" "$work/mini-help.out" || { cat "$work/mini-help.out" >&2; fail "mini --help printed no usage"; }
store="$XDG_DATA_HOME/velmora/sentence.lxd"
python3 - "$store" <<'PY'
import struct, sys
record = bytearray(9252)
struct.pack_into("<i", record, 4, 1)
for offset, text in ((8, "Hello there."), (2060, "Bonjour.")):
    data = text.encode("utf-16-le")
    record[offset:offset + len(data)] = data
open(sys.argv[1], "ab").write(record)
PY
"$root/usr/bin/mini" -f 1 >"$work/mini.out" 2>&1 &
pid=$!
for _ in $(seq 1 120); do
    grep -q "mini started" "$work/mini.out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.25
done
grep -q "mini started on $store: 1 entries" "$work/mini.out" ||
    { cat "$work/mini.out" >&2; fail "mini did not open the dictionary in \$XDG_DATA_HOME/velmora"; }
sleep 1
kill -0 "$pid" 2>/dev/null || { cat "$work/mini.out" >&2; fail "mini ended on its own"; }
kill "$pid"
wait "$pid" 2>/dev/null || true
step "mini answered --help without a display, found the dictionary velmora keeps and kept running"

# No display either: the command line converts the sample file beside itself and reads it back.
env -u DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/velmora-cli" --help >"$work/cli-help.out" 2>&1 ||
    { cat "$work/cli-help.out" >&2; fail "velmora-cli --help failed"; }
grep -q "^usage: velmora-cli" "$work/cli-help.out" || { cat "$work/cli-help.out" >&2; fail "velmora-cli --help printed no usage"; }
env -u DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/velmora-cli" convert "$work/sample.srt" --to microdvd --fps 25 \
    --encoding UTF-8 >"$work/cli.out" 2>&1 || { cat "$work/cli.out" >&2; fail "velmora-cli convert failed"; }
[ "$(head -n1 "$work/sample.sub" | tr -d '\r')" = "{25}{63}Hello there." ] ||
    { cat "$work/sample.sub" >&2; fail "velmora-cli wrote no MicroDVD file"; }
step "velmora-cli answered --help without a display and converted a file"
