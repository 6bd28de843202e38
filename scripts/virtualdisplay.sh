# Sourced by the scripts that run the program on a virtual X server.
#
# skip_without NAME TOOLS...: ends the test as skipped (status 77), saying so
# under NAME, when one of TOOLS is not installed.
skip_without() {
    local name=$1 tool
    shift
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$name: skipped, $tool is missing (./test.sh installs it)" >&2
            exit 77
        fi
    done
}
#
# on_virtual_display VAR SCRIPT ARGS...: runs SCRIPT again with ARGS under a
# server of its own, with VAR set so the second run knows it is there.
# xvfb-run's default screen is 640x480 at 8 bits: the screen here has room and
# true colour, as on a desktop. Without -noreset the server resets each time
# its last client leaves, dropping any connection that arrives meanwhile: the
# program starting up while xdotool polls for its window.
on_virtual_display() {
    local marker=$1
    shift
    exec env "$marker=1" xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash "$@"
}
