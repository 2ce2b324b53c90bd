#!/usr/bin/python3
"""Reads the program's windows through AT-SPI, as a screen reader does.

    atspi_read.py APPLICATION TITLE...

Prints each window's tree (role, name, description), and for tables their
rows; exits 1 when a window is missing, a control a person operates has no
name, or a table exposes no rows.
"""
import sys
import time

import pyatspi

OPERATED = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_TOOL_BAR,
}
TABLES = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE}


def find_application(name, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == name.lower():
                return app
        time.sleep(0.5)
    return None


def walk(node, depth, problems, lines):
    try:
        role, name, description = node.getRole(), node.name or '', node.description or ''
        states = node.getState()
    except Exception:
        return
    if not states.contains(pyatspi.STATE_SHOWING) and role not in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU,
                                                                    pyatspi.ROLE_CHECK_MENU_ITEM,
                                                                    pyatspi.ROLE_RADIO_MENU_ITEM):
        return
    text = f'{"  " * depth}{node.getRoleName()}: "{name}"' + (f' ({description})' if description else '')
    lines.append(text)
    if role in OPERATED and not name.strip():
        problems.append(f'no name: {text.strip()}')
    if role in TABLES:
        table = node.queryTable()
        if table.nRows == 0:
            problems.append(f'no rows: {text.strip()}')
        for r in range(table.nRows):
            cells = [table.getAccessibleAt(r, c) for c in range(table.nColumns)]
            lines.append(f'{"  " * (depth + 1)}row {r}: ' + ' | '.join(
                (c.name or '') + (f' ({c.description})' if c.description else '') for c in cells if c))
        return
    for i in range(min(node.childCount, 400)):
        walk(node.getChildAtIndex(i), depth + 1, problems, lines)


def main():
    app = find_application(sys.argv[1])
    if app is None:
        print(f'no application "{sys.argv[1]}" on the accessibility bus')
        return 1
    problems = []
    frames = {app.getChildAtIndex(i).name: app.getChildAtIndex(i) for i in range(app.childCount)}
    for title in sys.argv[2:]:
        if title not in frames:
            problems.append(f'no window "{title}" (there are {sorted(frames)})')
            continue
        lines = []
        walk(frames[title], 0, problems, lines)
        print('\n'.join(lines))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
