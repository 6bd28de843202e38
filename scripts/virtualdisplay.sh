# Sourced by the scripts that run the program on a virtual X server.
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
