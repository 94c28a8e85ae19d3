// Reports the process of every window that becomes active to Halvric, which switches the mouse's
// profile by the program in front. KWin of Plasma 6.
function report(window) {
    callDBus("io.github.halvric.ForegroundWindow", "/io/github/halvric/ForegroundWindow",
             "io.github.halvric.ForegroundWindow", "Activated", window ? window.pid : 0);
}
workspace.windowActivated.connect(report);
report(workspace.activeWindow);
