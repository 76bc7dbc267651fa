# scripts/lib.sh: shared shell helpers for scripts/run, scripts/test and the e2e harness.
# Source it; it defines functions and TG_ROOT and changes no shell options of the caller.

TG_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TG_BUILD="$TG_ROOT/build"
TG_TEMPLATE_PREFIX="$TG_BUILD/wineprefix-template"

# Wine's own chatter drowns test output, and every prefix of this project is 32-bit.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32

tg_log() { printf '[tg] %s\n' "$*" >&2; }
tg_die() { printf '[tg] error: %s\n' "$*" >&2; exit 1; }

# Debian 12 package names. Everything is installed without "recommends" so that a fresh
# machine renders exactly like a developer's: Wine's own fonts (Marlett draws the caption
# buttons, Tahoma the dialogs) and the 32-bit X extension libraries that winex11 loads at run
# time are named here instead of arriving by chance.
TG_PACKAGES=(
    wine wine32:i386 wine64 fonts-wine
    libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxcomposite1:i386
    libxinerama1:i386 libxfixes3:i386 libxxf86vm1:i386
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
    cmake ninja-build googletest
    clang libclang-rt-14-dev
    xvfb xdotool x11-utils imagemagick
    python3 python3-pil python3-pefile python3-cryptography
    locales
)

# The upgrader's texts are checked once more under Wine's ANSI code page 1251, which Wine takes
# from this Unix locale: without it Wine silently stays on 1252.
TG_LOCALES=(ru_RU.UTF-8)

tg__pkg_installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

tg__as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo -n "$@" </dev/null || tg_die "need root to run: $* (sudo without password failed)"
    else
        tg_die "need root to run: $*"
    fi
}

# Installs what is missing; a quick no-op (a few dpkg-query calls) when everything is present.
tg_ensure_deps() {
    if ! command -v dpkg-query >/dev/null 2>&1; then
        tg_log "not a Debian system; assuming the tools are installed"
        return 0
    fi
    local missing=() p
    for p in "${TG_PACKAGES[@]}"; do
        tg__pkg_installed "$p" || missing+=("$p")
    done
    [ "${#missing[@]}" -eq 0 ] || tg__install "${missing[@]}"
    tg__ensure_locales
}

tg__install() {
    local missing=("$@")

    tg_log "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        tg__as_root dpkg --add-architecture i386
    fi
    tg__as_root apt-get update -q </dev/null || tg_die "apt-get update failed"

    tg__as_root apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null \
        || tg_die "apt-get install ${missing[*]} failed"
}

# "ru_RU.UTF-8" is listed by locale -a as "ru_RU.utf8".
tg__ensure_locales() {
    local l have
    have="$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')"
    for l in "${TG_LOCALES[@]}"; do
        grep -qxF "$(printf '%s' "$l" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')" <<<"$have" \
            && continue
        tg_log "generating the locale $l"
        tg__as_root localedef -i "${l%%.*}" -f "${l#*.}" "$l" </dev/null || tg_die "localedef $l failed"
    done
}

# tg_limit SECONDS WHAT COMMAND...: runs COMMAND in a process group of its own and returns its
# status. If it has not ended after SECONDS, the whole group is killed, WHAT is named as the
# step that hung, and the status is 124.
tg_limit() {
    local limit="$1" what="$2"; shift 2
    local deadline=$((SECONDS + limit)) pid
    # Not a process-group leader in a script, so setsid(1) makes this very process the leader.
    setsid "$@" &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            tg_log "error: $what hung: still running after $limit s; killing its process group"
            kill -TERM -- "-$pid" 2>/dev/null
            sleep 2
            kill -KILL -- "-$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
            return 124
        fi
        sleep 0.2
    done
    wait "$pid"
}

# Runs a Wine command with its output in a log file and no terminal or pipe inherited:
# wineboot leaves wineserver and services behind, and those would keep a caller's pipe open.
tg__wine_detached() {
    local log="$1"; shift
    tg_limit 300 "$*" "$@" </dev/null >>"$log" 2>&1
}

# Bump when the template's content changes; older templates (and their copies) are rebuilt.
TG_TEMPLATE_VERSION=3

# Registry settings every prefix starts with.
tg__template_reg() {
    cat <<'REG'
REGEDIT4

; A crashing test program must end, not wait for someone to close a crash dialog.
[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

; Wine shows a taskbar, and with it the notification area, only in desktops named here.
[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops\e2e]
"EnableShell"=dword:00000001

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops\Tallyglass]
"EnableShell"=dword:00000001
REG
}

tg__prefix_current() {
    [ -f "$1/system.reg" ] && [ "$(cat "$1/.tg-template-version" 2>/dev/null)" = "$TG_TEMPLATE_VERSION" ]
}

# Creates the template prefix once. A lock serialises concurrent callers; the prefix is built
# under a temporary name and renamed, so a half-built template is never copied.
tg_template_prefix() {
    mkdir -p "$TG_BUILD"
    (
        flock 9
        tg__prefix_current "$TG_TEMPLATE_PREFIX" && exit 0
        local tmp="$TG_TEMPLATE_PREFIX.tmp.$$"
        local log="$TG_BUILD/wineprefix-template.log"
        rm -rf "$tmp" "$TG_TEMPLATE_PREFIX"
        : >"$log"
        tg_log "creating the Wine template prefix (once)"
        # The empty overrides skip the Mono and Gecko installers, which would ask questions.
        WINEPREFIX="$tmp" WINEDLLOVERRIDES="mscoree,mshtml=" \
            tg__wine_detached "$log" wineboot -i || { cat "$log" >&2; tg_die "wineboot failed"; }
        # Debian's Wine does not pick up its own fonts (Tahoma, Marlett for the caption buttons,
        # the bitmap fonts the registry names) from /usr/share/wine/fonts, so without this copy
        # text would be drawn with whatever fontconfig offers.
        if [ -d /usr/share/wine/fonts ]; then
            cp /usr/share/wine/fonts/* "$tmp/drive_c/windows/Fonts/" || tg_die "copying Wine's fonts failed"
        else
            tg_log "warning: /usr/share/wine/fonts missing (package fonts-wine); text will look different"
        fi
        tg__template_reg >"$TG_BUILD/wineprefix-template.reg"
        WINEPREFIX="$tmp" tg__wine_detached "$log" \
            wine regedit /S "$(tg_winpath "$TG_BUILD/wineprefix-template.reg")" \
            || { cat "$log" >&2; tg_die "importing the template's registry settings failed"; }
        # The registry reaches the files only when the server ends.
        if ! WINEPREFIX="$tmp" tg_limit 120 "waiting for the template's wineserver to end" wineserver -w; then
            WINEPREFIX="$tmp" wineserver -k
            tg_die "the template's wineserver did not end"
        fi
        [ -f "$tmp/system.reg" ] || { cat "$log" >&2; tg_die "wineboot left no system.reg"; }
        grep -q 'ShowCrashDialog' "$tmp/user.reg" || { cat "$log" >&2; tg_die "registry settings missing from the template"; }
        echo "$TG_TEMPLATE_VERSION" >"$tmp/.tg-template-version"
        mv "$tmp" "$TG_TEMPLATE_PREFIX"
    ) 9>"$TG_BUILD/.wineprefix-template.lock"
}

# tg_prefix NAME: prints the path of build/wineprefix-NAME, copying the template when missing
# or made from an older template.
tg_prefix() {
    local name="$1" dest
    [ -n "$name" ] || tg_die "tg_prefix needs a name"
    dest="$TG_BUILD/wineprefix-$name"
    if ! tg__prefix_current "$dest"; then
        tg_template_prefix || return 1
        tg_wineserver_stop "$dest"
        rm -rf "$dest" "$dest.tmp.$$"
        if ! { cp -a "$TG_TEMPLATE_PREFIX" "$dest.tmp.$$" && mv "$dest.tmp.$$" "$dest"; }; then
            tg_die "copying the prefix failed"
        fi
    fi
    printf '%s\n' "$dest"
}

# tg_fresh_prefix NAME: like tg_prefix, but always starts again from the template.
tg_fresh_prefix() {
    local name="$1" dest
    [ -n "$name" ] || tg_die "tg_fresh_prefix needs a name"
    dest="$TG_BUILD/wineprefix-$name"
    tg_wineserver_stop "$dest"
    rm -rf "$dest"
    tg_prefix "$name"
}

# Starts a persistent wineserver for PREFIX, fully detached so it holds no caller's pipe.
# One already running for the prefix is fine: wineserver then refuses and that is ignored.
# The first Wine program of a server also starts services.exe, explorer.exe and friends, which
# keep that program's stderr open for as long as the server lives: a CTest or subprocess pipe
# would then never close. So a throwaway program starts them here, detached, before any test.
# The desktop process started here keeps $DISPLAY for the server's life: set it before.
tg_wineserver_start() {
    local prefix="$1" linger="${2:-}"
    [ -d "$prefix" ] || tg_die "no such prefix: $prefix"
    WINEPREFIX="$prefix" setsid -w wineserver "-p$linger" </dev/null >>"$prefix.wineserver.log" 2>&1 || true
    WINEPREFIX="$prefix" setsid -w wine cmd /c exit </dev/null >>"$prefix.wineserver.log" 2>&1 || true
}

# tg_prefix_desktop PREFIX NAME WxH: every program started in PREFIX runs inside the Wine
# virtual desktop NAME (as winecfg's "emulate a virtual desktop" does). Inside a virtual desktop
# Wine, not an X window manager, decides activation, focus and z-order, so they behave as on
# Windows; the desktop also carries a taskbar with the notification area (see the template).
# Explorer reads the setting when the wineserver starts, so this stops any server of the prefix:
# call it before tg_wineserver_start.
tg_prefix_desktop() {
    local prefix="$1" name="$2" size="$3" reg
    if grep -qx "\"Desktop\"=\"$name\"" "$prefix/user.reg" 2>/dev/null \
        && grep -qx "\"$name\"=\"$size\"" "$prefix/user.reg" 2>/dev/null; then
        return 0
    fi
    reg="$prefix.desktop.reg"
    cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="$name"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"$name"="$size"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\$name]
"EnableShell"=dword:00000001
REG
    tg_wineserver_stop "$prefix"
    WINEPREFIX="$prefix" setsid -w wine regedit /S "$(tg_winpath "$reg")" </dev/null >>"$prefix.wineserver.log" 2>&1 \
        || tg_die "setting the virtual desktop of $prefix failed"
    tg_wineserver_stop "$prefix"
    grep -qx "\"Desktop\"=\"$name\"" "$prefix/user.reg" || tg_die "the virtual desktop setting did not reach $prefix/user.reg"
}

# Ends the wineserver of PREFIX and every Wine process using it, and waits until they are gone.
tg_wineserver_stop() {
    local prefix="$1"
    [ -d "$prefix" ] || return 0
    WINEPREFIX="$prefix" wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX="$prefix" timeout 20 wineserver -w </dev/null >/dev/null 2>&1 || true
}

# Starts Xvfb on the first free display from :91 and prints the display name; its output goes
# to a log, so it holds no caller's pipe. The display is taken only once this very server has
# said it is ready (-displayfd), never because some other server answers on that number.
# The caller stops it with tg_xvfb_stop.
tg_xvfb_start() {
    local n log ready pid
    mkdir -p "$TG_BUILD"
    for n in $(seq 91 140); do
        [ -e "/tmp/.X$n-lock" ] && continue
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        log="$TG_BUILD/xvfb-$n.log"
        # A ready file of this attempt's own: shards start at once and try the same numbers,
        # and a shared file would let a server that lost the number read the winner's answer.
        ready="$(mktemp "$TG_BUILD/xvfb-$n.ready.XXXXXX")"
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -displayfd 3 </dev/null >"$log" 2>&1 3>"$ready" &
        pid=$!
        for _ in $(seq 1 150); do
            if [ -s "$ready" ]; then
                rm -f "$ready"
                echo "$pid" >"$TG_BUILD/xvfb-$n.pid"
                printf ':%s\n' "$n"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        # Lost the number to another server, or it hung: try the next one.
        kill "$pid" 2>/dev/null || true
        rm -f "$ready"
    done
    tg_die "could not start Xvfb"
}

tg_xvfb_stop() {
    local display="$1" n pidfile
    n="${display#:}"
    pidfile="$TG_BUILD/xvfb-$n.pid"
    [ -f "$pidfile" ] || return 0
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
}

# Windows path (Z: drive) of a Linux path, without starting Wine.
tg_winpath() {
    local p
    p="$(realpath -m "$1")"
    printf 'Z:%s\n' "${p//\//\\}"
}
