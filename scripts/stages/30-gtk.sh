# Linux desktop: the program over GTK 3 and WebKitGTK (quorvi-gtk) and its
# engine tests, always on a private Xvfb the test program starts itself
# (never on the user's desktop). ctest bounds the run.
build gtk -DQUORVI_BACKEND=gtk -DQUORVI_WERROR=ON
gtk_saved_display="${DISPLAY-}"
unset DISPLAY WAYLAND_DISPLAY
WEBKIT_DISABLE_COMPOSITING_MODE=1 run_ctest gtk
if [ -n "$gtk_saved_display" ]; then export DISPLAY="$gtk_saved_display"; fi
