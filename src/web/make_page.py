#!/usr/bin/env python3
"""Writes the page of the browser edition and its table of identifiers from what the
Windows edition is built from, so that the two editions' panels and menu cannot part:

    make_page.py TEMPLATE RC IDS_H POINTER_H OUT_HTML OUT_JS

- TEMPLATE (web/index.html) is the page with two kinds of placeholder line:
  `<!-- menu NAME -->` becomes the menu NAME of the resource script, and
  `<!-- controls DIALOG -->` (inside a form with data-panel="N") the controls of DIALOG,
  in the script's order, as form controls laid out in its dialog units (data-rect):
  ComboBox → select, Edit → input, push button → button, push-like check box → a button
  with aria-pressed, Static → span. A select or input is named after the static text that
  ends just above it or just left of it.
- The Windows program's own resources stay out of the page: the menu bar's pop-ups of
  WINDOWS_ONLY_POPUPS, and DIALOG resources (only DIALOGEX resources are panels).
- OUT_JS (ids.js) sets dozero.ids (every macro of IDS_H), dozero.panelOf (the data-panel of
  every control) and one table for each enum of POINTER_H.

Anything the script holds that this does not know stops the build with its line.
"""
import html
import re
import sys

# What the page alone adds to a resource control, by identifier.
PAGE_ATTRIBUTES = {
    # Two buttons of the panel read 読込: this one names its row.
    "IDC_BOARD_PICTURE": ' aria-label="背景画像の読込"',
}
# The element id of each pop-up menu, by caption.
POPUP_IDS = {"設定": "settings", "距離丸め": "rounding"}
# The menu bar's pop-ups of the Windows program alone: the page has its own controls for
# them (a ルーム button).
WINDOWS_ONLY_POPUPS = {"ルーム"}
# A combo box's height in the script is its dropped list; the page's select is the closed
# box, as high as an edit.
CLOSED_COMBO_HEIGHT = 12
# How far (dialog units) a static text may end from the field it names.
LABEL_GAP = 2


class Failure(Exception):
    pass


def read_ids(path):
    ids = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*#define\s+(ID[CM]_\w+)\s+(\d+)\s*$", line)
            if m:
                ids[m.group(1)] = int(m.group(2))
    return ids


def read_enums(path):
    """{enum name: [(enumerator, value)]} of a header with one enumerator a line."""
    enums = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*enum\s+(\w+)\s*\{", line)
            if m:
                current = enums.setdefault(m.group(1), [])
                continue
            m = re.match(r"\s*k(\w+)\s*=\s*(\d+),?\s*$", line)
            if m and current is not None:
                current.append((m.group(1), int(m.group(2))))
            elif line.strip().startswith("}"):
                current = None
    return enums


def rc_lines(path):
    """The script's statements as (line number, text), comments and blank lines left out."""
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = re.sub(r"^\s*//.*", "", line).strip()
            if text:
                yield number, text


def read_rc(path, ids):
    menus = {}
    dialogs = {}
    lines = list(rc_lines(path))
    i = 0

    def fail(n, why):
        raise Failure("%s:%d: %s" % (path, n, why))

    def block(i):
        n, text = lines[i]
        if text != "BEGIN":
            fail(n, "BEGIN expected")
        return i + 1

    def menu(i):
        items = []
        i = block(i)
        while True:
            n, text = lines[i]
            if text == "END":
                return items, i + 1
            m = re.match(r'POPUP\s+"([^"]*)"$', text)
            if m:
                sub, i = menu(i + 1)
                items.append({"caption": m.group(1), "items": sub, "line": n})
                continue
            m = re.match(r'MENUITEM\s+"([^"]*)"\s*,\s*(\w+)\s*(?:,\s*(.*))?$', text)
            if not m or m.group(2) not in ids:
                fail(n, "a MENUITEM with a caption and an identifier of the header expected")
            flags = {f.strip() for f in (m.group(3) or "").split(",")}
            items.append({"caption": m.group(1), "id": m.group(2), "checked": "CHECKED" in flags})
            i += 1

    control_re = re.compile(r'CONTROL\s+"([^"]*)"\s*,\s*(\w+)\s*,\s*"(\w+)"\s*,\s*([^,]+?)\s*,'
                            r"\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)$")

    def dialog(i):
        controls = []
        i = block(i)
        while True:
            n, text = lines[i]
            if text == "END":
                return controls, i + 1
            m = control_re.match(text)
            if not m:
                fail(n, "only CONTROL statements are understood in a dialog")
            caption, name, cls, style = m.group(1), m.group(2), m.group(3), m.group(4)
            if name != "IDC_STATIC" and name not in ids:
                fail(n, "%s is not in the identifier header" % name)
            styles = {s.strip() for s in style.split("|")}
            controls.append({"caption": caption, "name": None if name == "IDC_STATIC" else name,
                             "kind": control_kind(cls, styles, lambda why: fail(n, why)),
                             "styles": styles, "rect": [int(m.group(k)) for k in range(5, 9)]})
            i += 1

    while i < len(lines):
        n, text = lines[i]
        m = re.match(r"(\w+)\s+(MENU|DIALOGEX)\b", text)
        if not m:
            i += 1
            continue
        if m.group(2) == "MENU":
            menus[m.group(1)], i = menu(i + 1)
        else:
            i += 1
            while lines[i][1] != "BEGIN":  # STYLE, FONT, CAPTION
                i += 1
            dialogs[m.group(1)], i = dialog(i)
    return menus, dialogs


def control_kind(cls, styles, fail):
    if cls == "ComboBox":
        return "select"
    if cls == "Edit":
        return "input"
    if cls == "Static":
        return "span"
    if cls == "Button" and styles & {"BS_PUSHBUTTON", "BS_DEFPUSHBUTTON"}:
        return "button"
    if cls == "Button" and {"BS_AUTOCHECKBOX", "BS_PUSHLIKE"} <= styles:
        return "pushlike"
    fail("no page control for a %s of style %s" % (cls, " | ".join(sorted(styles))))


def overlap(a0, a1, b0, b1):
    return a0 < b1 and b0 < a1


def label_of(field, controls):
    x, y, w, h = field["rect"]
    for c in controls:
        if c["kind"] != "span":
            continue
        cx, cy, cw, ch = c["rect"]
        above = 0 <= y - (cy + ch) <= LABEL_GAP and overlap(x, x + w, cx, cx + cw)
        left = 0 <= x - (cx + cw) <= LABEL_GAP and overlap(y, y + h, cy, cy + ch)
        if above or left:
            return c["caption"].rstrip(":：")
    raise Failure("%s has no static text just above or left of it to name it" % field["name"])


def control_html(c, controls, ids):
    e = html.escape
    x, y, w, h = c["rect"]
    if c["kind"] == "select":
        h = CLOSED_COMBO_HEIGHT
    rect = ' data-rect="%d,%d,%d,%d"' % (x, y, w, h)
    if c["kind"] == "span":
        return "<span%s>%s</span>" % (rect, e(c["caption"]))
    attrs = ' data-id="%d"%s' % (ids[c["name"]], rect)
    extra = PAGE_ATTRIBUTES.get(c["name"], "")
    label = ' aria-label="%s"' % e(label_of(c, controls)) if c["kind"] in ("select", "input") else ""
    if c["kind"] == "select":
        return "<select%s%s%s></select>" % (attrs, label, extra)
    if c["kind"] == "input":
        return '<input type="text"%s%s spellcheck="false"%s>' % (attrs, label, extra)
    if c["kind"] == "pushlike":
        return '<button type="button" class="pushlike"%s aria-pressed="false"%s>%s</button>' % (
            attrs, extra, e(c["caption"]))
    return '<button type="button"%s%s>%s</button>' % (attrs, extra, e(c["caption"]))


def popup_id(caption):
    if caption not in POPUP_IDS:
        raise Failure('the pop-up menu "%s" needs an element id in POPUP_IDS' % caption)
    return POPUP_IDS[caption]


def menu_items_html(items, ids, pad):
    out = []
    for item in items:
        if "items" in item:
            pid = popup_id(item["caption"])
            out.append(pad + '<li role="none" class="submenu">')
            out.append(pad + '  <button type="button" role="menuitem" aria-haspopup="menu" '
                       'id="%s-button">%s</button>' % (pid, html.escape(item["caption"])))
            out.append(pad + '  <ul role="menu" aria-labelledby="%s-button">' % pid)
            out += menu_items_html(item["items"], ids, pad + "    ")
            out.append(pad + "  </ul>")
            out.append(pad + "</li>")
        else:
            out.append(pad + '<li role="none"><button type="button" role="menuitemcheckbox" '
                       'data-menu="%d" aria-checked="%s">%s</button></li>' % (
                           ids[item["id"]], "true" if item["checked"] else "false",
                           html.escape(item["caption"])))
    return out


def menu_html(menu, ids, pad):
    out = []
    for popup in menu:
        if "items" not in popup:
            raise Failure("the menu bar holds pop-ups only")
        if popup["caption"] in WINDOWS_ONLY_POPUPS:
            continue
        pid = popup_id(popup["caption"])
        out.append(pad + '<div class="menu">')
        out.append(pad + '  <button type="button" id="%s-button" aria-haspopup="menu" '
                   'aria-expanded="false" aria-controls="%s">%s</button>' % (
                       pid, pid, html.escape(popup["caption"])))
        out.append(pad + '  <ul id="%s" role="menu" hidden>' % pid)
        out += menu_items_html(popup["items"], ids, pad + "    ")
        out.append(pad + "  </ul>")
        out.append(pad + "</div>")
    return out


def page(template, menus, dialogs, ids):
    out = []
    panel_of = {}
    panel = None
    for line in template.splitlines():
        m = re.search(r'data-panel="(\d+)"', line)
        if m:
            panel = int(m.group(1))
        m = re.match(r"(\s*)<!-- (menu|controls) (\w+) -->$", line)
        if not m:
            out.append(line)
            continue
        pad, what, name = m.groups()
        source = menus if what == "menu" else dialogs
        if name not in source:
            raise Failure("the resource script has no %s %s" % (what, name))
        if what == "menu":
            out += menu_html(menus[name], ids, pad)
            continue
        if panel is None:
            raise Failure("<!-- controls %s --> outside a form with data-panel" % name)
        for c in dialogs[name]:
            out.append(pad + control_html(c, dialogs[name], ids))
            if c["name"]:
                panel_of[c["name"]] = panel
    return "\n".join(out) + "\n", panel_of


def table(name, pairs):
    rows = "".join("  %s: %d,\n" % (k, v) for k, v in pairs)
    return "dozero.%s = Object.freeze({\n%s});\n" % (name, rows)


def upper_snake(camel):
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", camel).upper()


def main(template_path, rc_path, ids_path, pointer_path, out_html, out_js):
    ids = read_ids(ids_path)
    menus, dialogs = read_rc(rc_path, ids)
    with open(template_path, encoding="utf-8") as f:
        text, panel_of = page(f.read(), menus, dialogs, ids)
    with open(out_html, "w", encoding="utf-8") as f:
        f.write(text)
    with open(out_js, "w", encoding="utf-8") as f:
        f.write("// Generated by make_page.py from src/panels/ids.h, res/dozero.rc and "
                "src/web/pointer_events.h;\n// do not edit.\n'use strict';\n"
                "window.dozero = window.dozero || {};\n")
        f.write("// The identifiers of the menu items and of the panels' controls.\n")
        f.write(table("ids", ids.items()))
        f.write("// The panel (data-panel) of every control.\n")
        f.write(table("panelOf", panel_of.items()))
        for name, values in read_enums(pointer_path).items():
            f.write("// dz_pointer's %s.\n" % name)
            f.write(table(name, [(upper_snake(k), v) for k, v in values]))


if __name__ == "__main__":
    try:
        main(*sys.argv[1:])
    except Failure as e:
        sys.exit("make_page.py: %s" % e)
