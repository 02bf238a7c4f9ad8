"""Reads the running Halix Utility window over AT-SPI, as a screen reader does.

Answers the hand-over question through its OK button, then checks every control of the window:
the termination choices are radio buttons, each pop-up is named for its setting, the groups by
their titles, and the read-only version fields take the keyboard focus. Quits the window with
its Cancel button. Exit status 0 when all holds, 1 otherwise (each fault on its own line).
"""
import sys
import time

import pyatspi

DEADLINE_SECONDS = 40


def application():
    end = time.monotonic() + DEADLINE_SECONDS
    while time.monotonic() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name in ("Halix Utility", "halix-utility"):
                return app
        time.sleep(0.2)
    return None


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(app, role, name):
    end = time.monotonic() + DEADLINE_SECONDS
    while time.monotonic() < end:
        for node in walk(app):
            if node.getRoleName() == role and node.name == name:
                return node
        time.sleep(0.2)
    return None


def press(button):
    actions = button.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) in ("Press", "press", "click"):
            actions.doAction(i)
            return True
    return False


def main():
    faults = []
    app = application()
    if app is None:
        print("FAIL: Halix Utility did not appear on the accessibility bus")
        return 1
    ok = find(app, "push button", "OK")
    if ok is None or not press(ok):
        print("FAIL: no OK button on the hand-over question")
        return 1
    cancel = find(app, "push button", "Cancel")
    if cancel is None:
        print("FAIL: the window's Cancel button did not appear")
        return 1
    time.sleep(0.5)  # the start-up fills the window
    nodes = list(walk(app))
    radios = [n.name for n in nodes if n.getRoleName() == "radio button"]
    if len(radios) != 4 or not all(name.startswith("Termination") for name in radios):
        faults.append("termination choices as radio buttons: %r" % radios)
    combos = {n.name for n in nodes if n.getRoleName() == "combo box"}
    for target in range(16):
        if "Target %d maximum transfer" % target not in combos:
            faults.append("no pop-up named 'Target %d maximum transfer' in %r" % (target, combos))
    if "Host adapter SCSI ID" not in combos:
        faults.append("no pop-up named 'Host adapter SCSI ID'")
    groups = {n.name for n in nodes if n.getRoleName() in ("panel", "grouping")}
    for title in ("SCSI Channel 0", "Termination", "Targets", "Versions", "Flash BIOS"):
        if title not in groups:
            faults.append("no group named %r in %r" % (title, groups))
    for name in ("Configuration utility version", "Utility driver version", "SCSI BIOS version"):
        fields = [n for n in nodes if n.name == name]
        if not fields or not fields[0].getState().contains(pyatspi.STATE_FOCUSABLE):
            faults.append("version field %r not focusable" % name)
    for node in nodes:
        if node.getRoleName() in ("check box", "radio button", "combo box") and not node.name:
            faults.append("a %s without a name" % node.getRoleName())
    press(cancel)
    for fault in faults:
        print("FAIL: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
