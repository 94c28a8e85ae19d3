// Reports the process of every window that becomes active to Halvric, which switches the mouse's
// profile by the program in front. KWin of Plasma 5.
function report(client) {
    callDBus("io.github.halvric.ForegroundWindow", "/io/github/halvric/ForegroundWindow",
             "io.github.halvric.ForegroundWindow", "Activated", client ? client.pid : 0);
}
workspace.clientActivated.connect(report);
report(workspace.activeClient);
