#!/usr/bin/python3
"""What a screen reader is given of one program's windows, as lines of text.

Usage: a11y.py PID [WINDOW...]
       a11y.py --ready      ends with 0 once the accessibility registry answers

Reads the program of that process id through the accessibility bus (AT-SPI) and prints, for each
of its windows whose title is one of those given (all of them when none is), one line for each
control a test reads:

    window TITLE
    label NAME | DESCRIPTION            labels, the status lines among them
    item LIST ROW: NAME | DESCRIPTION    each row of a list
    row TABLE ROW: CELL | CELL ... | DESCRIPTION OF THE FIRST CELL
                                         each row of a table, in the order shown

Prints nothing (and ends with 1) while the program is not yet on the bus. Runs with Debian's
python3-pyatspi; the program must run with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on the session
bus this one sees.
"""

import sys

import pyatspi

# The deepest a control sits under its window, and the most rows read of one table or list:
# bounds for a tree that changes while it is read.
MAX_DEPTH = 30
MAX_ROWS = 500


def flat(text):
    return " ".join((text or "").split())


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:  # an application that left while it was asked
            continue
    return None


def table_rows(node, out):
    table = node.queryTable()
    for row in range(min(table.nRows, MAX_ROWS)):
        cells = []
        description = ""
        for column in range(table.nColumns):
            cell = table.getAccessibleAt(row, column)
            if cell is None:
                cells.append("")
                continue
            cells.append(flat(cell.name))
            if column == 0:
                description = flat(cell.description)
        out.append("row %s %d: %s | %s" % (flat(node.name), row, " | ".join(cells), description))


def list_items(node, out):
    row = 0
    for i in range(min(node.childCount, MAX_ROWS)):
        item = node.getChildAtIndex(i)
        if item is None or item.getRole() != pyatspi.ROLE_LIST_ITEM:
            continue
        out.append("item %s %d: %s | %s" % (flat(node.name), row, flat(item.name),
                                           flat(item.description)))
        row += 1


def walk(node, depth, out):
    if node is None or depth > MAX_DEPTH:
        return
    role = node.getRole()
    if role in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE):
        table_rows(node, out)
        return
    if role == pyatspi.ROLE_LIST:
        list_items(node, out)
        return
    if role in (pyatspi.ROLE_LABEL, pyatspi.ROLE_STATUS_BAR):
        out.append("label %s | %s" % (flat(node.name), flat(node.description)))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, out)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    if sys.argv[1] == "--ready":
        return 0 if pyatspi.Registry.getDesktop(0).childCount >= 0 else 1
    app = application(int(sys.argv[1]))
    if app is None:
        return 1
    wanted = sys.argv[2:]
    out = []
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window is None or (wanted and window.name not in wanted):
            continue
        out.append("window %s" % flat(window.name))
        walk(window, 0, out)
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Exception as fault:  # the tree changed under the reader: the caller asks again
        print("a11y: %s" % fault, file=sys.stderr)
        sys.exit(1)
