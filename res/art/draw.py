#!/usr/bin/env python3
"""Purgeon's artwork, drawn as SVG.

Every picture of the program is built here as an SVG document at its exact
pixel size (96 dpi, shown 1:1). scripts/render-art.sh runs this file, renders
each SVG with rsvg-convert and post-processes the results; nothing here needs
more than the Python standard library.

    draw.py OUT_DIR    writes OUT_DIR/<name>.svg (and <name>.mask.svg for the
                       shaped windows) plus OUT_DIR/manifest.tsv with one line
                       per picture: name, width, height, kind, resource id.

Kinds: "rgba" is rendered as it is; "keyed" is a window shaped by the colour
key (see KEY): its mask is rendered without anti-aliasing and every pixel
outside it becomes exactly the key colour; "icon" is one image of purgeon.ico.

Drawing rules that keep the pictures crisp: rectangles and 1-px lines sit on
the pixel grid (a 1-px stroke is centred on a .5 coordinate), glyphs of small
buttons are drawn at their own size, and every button carries the flat colour
of the surface it sits on, so it looks right however it is blitted.
"""

import math
import os
import sys

# ---------------------------------------------------------------- palette --

CHARCOAL = "#3d3d3d"  # title bar and window headers, RGB(61,61,61)
CHARCOAL_HOVER = "#555555"
CHARCOAL_DOWN = "#2a2a2a"
CHARCOAL_LINE = "#2b2b2b"
CLOSE_HOVER = "#d0392b"
CLOSE_DOWN = "#a82c21"

BLUE = "#236ebe"  # the accent, RGB(35,110,190)
BLUE_HOVER = "#2f80d6"
BLUE_DOWN = "#1b5a9e"
BLUE_LINE = "#1a5596"
BLUE_PALE = "#e6f0fb"
BLUE_PALE_DOWN = "#d2e3f6"
BLUE_TINT = "#cfe2f6"

WARM = "#d9532b"  # destructive actions
WARM_HOVER = "#e8663c"
WARM_DOWN = "#b8431f"

GREEN = "#2e9e5b"

PAGE = "#eef2f7"  # page surface around the white panels
PANEL = "#ffffff"
LINE = "#c9d3df"  # frames of panels on the page
FIELD_LINE = "#b4c2d2"  # frames of buttons and fields
TEXT = "#2a3846"
MUTED = "#66727f"
DISABLED_FILL = "#f4f6f8"
DISABLED_LINE = "#d3d9e0"
DISABLED_TEXT = "#a4adb7"
DISABLED_SOLID = "#aab4c0"

STATUS_STRIP = "#78a5c2"  # search status strip, RGB(120,165,194)
LOADING_BG = "#d9ebf9"  # list-loading and update windows, RGB(217,235,249)
FRAME_GREY = "#5c5c5c"  # outline of the shaped windows
KEY = "#a6caf0"  # clSkyBlue, the transparent colour of shaped windows

FONT = "DejaVu Sans"

STATES = ("normal", "hover", "pressed", "disabled")
STATE_IDS = ("ART_NORMAL", "ART_HOVER", "ART_PRESSED", "ART_DISABLED")

# ------------------------------------------------------------ primitives --


def esc(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def fmt(v):
    if isinstance(v, float):
        s = f"{v:.3f}".rstrip("0").rstrip(".")
        return s if s != "-0" else "0"
    return str(v)


def attrs(**kw):
    out = []
    for k, v in kw.items():
        if v is None:
            continue
        out.append(f'{k.rstrip("_").replace("_", "-")}="{fmt(v)}"')
    return " ".join(out)


def rect(x, y, w, h, fill, rx=0, **kw):
    return f"<rect {attrs(x=x, y=y, width=w, height=h, rx=rx or None, fill=fill, **kw)}/>"


def box(x, y, w, h, fill, stroke, rx=0, sw=1, **kw):
    """A filled rectangle with a stroke that lies inside x..x+w, y..y+h."""
    i = sw / 2
    return rect(x + i, y + i, w - sw, h - sw, fill, rx=rx, stroke=stroke, stroke_width=sw, **kw)


def hline(x0, x1, y, color):
    return rect(x0, y, x1 - x0, 1, color)


def vline(x, y0, y1, color):
    return rect(x, y0, 1, y1 - y0, color)


def circle(cx, cy, r, fill, **kw):
    return f"<circle {attrs(cx=cx, cy=cy, r=r, fill=fill, **kw)}/>"


def ring(cx, cy, r, color, sw, **kw):
    return circle(cx, cy, r, "none", stroke=color, stroke_width=sw, **kw)


def path(d, fill="none", **kw):
    return f'<path d="{d}" {attrs(fill=fill, **kw)}/>'


def stroke(d, color, sw, cap="round", join="round", **kw):
    return path(d, "none", stroke=color, stroke_width=sw, stroke_linecap=cap, stroke_linejoin=join, **kw)


def text(x, y, s, size, fill, weight="bold", anchor="start", **kw):
    return (
        f"<text {attrs(x=x, y=y, font_family=FONT, font_size=size, font_weight=weight, fill=fill, text_anchor=anchor, **kw)}>"
        f"{esc(s)}</text>"
    )


def group(body, opacity=None, transform=None):
    return f"<g {attrs(opacity=opacity, transform=transform)}>{body}</g>"


def pt(cx, cy, r, deg):
    """Point on a circle; 0 degrees is 12 o'clock, angles run clockwise."""
    a = math.radians(deg)
    return cx + r * math.sin(a), cy - r * math.cos(a)


def arc_d(cx, cy, r, a0, a1):
    x0, y0 = pt(cx, cy, r, a0)
    x1, y1 = pt(cx, cy, r, a1)
    large = 1 if (a1 - a0) % 360 > 180 else 0
    return f"M{fmt(x0)} {fmt(y0)} A{fmt(r)} {fmt(r)} 0 {large} 1 {fmt(x1)} {fmt(y1)}"


def arrow_head(cx, cy, r, deg, size, color):
    """A filled arrow head at the clockwise end of an arc."""
    tx, ty = pt(cx, cy, r, deg)
    a = math.radians(deg)
    dx, dy = math.cos(a), math.sin(a)  # direction of travel (clockwise)
    nx, ny = math.sin(a), -math.cos(a)  # outward normal
    tip = (tx + dx * size, ty + dy * size)
    b1 = (tx + nx * size, ty + ny * size)
    b2 = (tx - nx * size, ty - ny * size)
    return path(f"M{fmt(tip[0])} {fmt(tip[1])} L{fmt(b1[0])} {fmt(b1[1])} L{fmt(b2[0])} {fmt(b2[1])} Z", color)


def svg(w, h, body):
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
        f'viewBox="0 0 {w} {h}">{body}</svg>\n'
    )


# ----------------------------------------------------------------- glyphs --


def g_broom(x, y, s, color, slit, detail=True, dust=None):
    """Purgeon's mark: a broom sweeping down to the left, in a 32-unit box at
    (x, y) scaled by s. `slit` is the colour of the bristle gaps."""

    def P(px, py):
        return f"{fmt(x + px * s)} {fmt(y + py * s)}"

    out = stroke(f"M{P(25.2, 6.8)} L{P(16.6, 15.4)}", color, 3.0 * s)
    # Bristle head: the top edge across the handle's end, flaring downwards.
    out += path(
        f"M{P(13.2, 12.4)} L{P(19.6, 18.8)} L{P(13.0, 28.4)} L{P(3.6, 19.0)} Z",
        color,
        stroke=color,
        stroke_width=1.6 * s,
        stroke_linejoin="round",
    )
    if detail:
        for f in (1 / 3, 2 / 3):
            ax, ay = 13.2 + (19.6 - 13.2) * f, 12.4 + (18.8 - 12.4) * f
            bx, by = 3.6 + (13.0 - 3.6) * f, 19.0 + (28.4 - 19.0) * f
            ax, ay = ax + (bx - ax) * 0.28, ay + (by - ay) * 0.28
            bx, by = bx + (bx - ax) * 0.12, by + (by - ay) * 0.12
            out += stroke(f"M{P(ax, ay)} L{P(bx, by)}", slit, 1.3 * s, cap="butt")
        # Collar where the handle meets the head.
        out += stroke(f"M{P(13.6, 14.0)} L{P(18.0, 18.4)}", slit, 1.1 * s, cap="butt")
    if dust:
        for cx, cy, r in ((20.5, 25.5, 1.5), (24.8, 23.2, 1.2), (27.0, 19.4, 0.95)):
            out += circle(x + cx * s, y + cy * s, r * s, dust)
    return out


def g_logo(x, y, size, inverse=False):
    """The logo tile: a rounded square with the broom. inverse = white tile
    with a blue broom (for blue surfaces)."""
    tile, mark = (PANEL, BLUE) if inverse else (BLUE, PANEL)
    s = size / 32
    r = max(2.5, round(size * 0.22))
    out = rect(x, y, size, size, tile, rx=r)
    detail = size >= 28
    if size <= 20:
        # Small sizes: a thicker, simpler broom on whole-pixel proportions.
        out += stroke(
            f"M{fmt(x + size * 0.79)} {fmt(y + size * 0.21)} L{fmt(x + size * 0.52)} {fmt(y + size * 0.48)}",
            mark,
            max(1.6, size / 9),
        )
        out += path(
            f"M{fmt(x + size * 0.40)} {fmt(y + size * 0.38)} L{fmt(x + size * 0.62)} {fmt(y + size * 0.60)} "
            f"L{fmt(x + size * 0.40)} {fmt(y + size * 0.90)} L{fmt(x + size * 0.10)} {fmt(y + size * 0.60)} Z",
            mark,
            stroke=mark,
            stroke_width=max(1.0, size / 16),
            stroke_linejoin="round",
        )
        if size >= 20:
            out += circle(x + size * 0.70, y + size * 0.78, size * 0.055, mark)
            out += circle(x + size * 0.83, y + size * 0.62, size * 0.045, mark)
        return out
    return out + g_broom(x, y, s, mark, tile, detail=detail, dust=mark)


def g_minus(cx, cy, w, color):
    return rect(cx - w / 2, cy - 1, w, 2, color)


def g_cross(cx, cy, half, color, sw=2):
    d = f"M{fmt(cx - half)} {fmt(cy - half)} L{fmt(cx + half)} {fmt(cy + half)} M{fmt(cx + half)} {fmt(cy - half)} L{fmt(cx - half)} {fmt(cy + half)}"
    return stroke(d, color, sw)


def g_magnifier(cx, cy, r, color, sw=2, handle=None):
    handle = handle if handle is not None else r * 1.05
    x0, y0 = pt(cx, cy, r + sw / 2 - 0.2, 135)
    x1, y1 = pt(cx, cy, r + handle, 135)
    return ring(cx, cy, r, color, sw) + stroke(f"M{fmt(x0)} {fmt(y0)} L{fmt(x1)} {fmt(y1)}", color, sw + 0.6)


def g_refresh(cx, cy, r, color, sw=2, head=3.2):
    return stroke(arc_d(cx, cy, r, 40, 310), color, sw, cap="butt") + arrow_head(cx, cy, r, 310, head, color)


def g_back(cx, cy, w, color, sw=2.2):
    h = w * 0.42
    d = f"M{fmt(cx + w / 2)} {fmt(cy)} L{fmt(cx - w / 2 + 1)} {fmt(cy)} M{fmt(cx - w / 2 + h)} {fmt(cy - h)} L{fmt(cx - w / 2)} {fmt(cy)} L{fmt(cx - w / 2 + h)} {fmt(cy + h)}"
    return stroke(d, color, sw)


def g_play(cx, cy, h, color):
    w = h * 0.87
    x0 = cx - w * 0.4
    return path(
        f"M{fmt(x0)} {fmt(cy - h / 2)} L{fmt(x0 + w)} {fmt(cy)} L{fmt(x0)} {fmt(cy + h / 2)} Z",
        color,
        stroke=color,
        stroke_width=2.5,
        stroke_linejoin="round",
    )


def g_trash(cx, top, w, color, bg):
    """A waste bin, w wide, its lid at `top`."""
    h = w * 1.15
    body = path(
        f"M{fmt(cx - w * 0.40)} {fmt(top + w * 0.22)} L{fmt(cx + w * 0.40)} {fmt(top + w * 0.22)} "
        f"L{fmt(cx + w * 0.33)} {fmt(top + h)} L{fmt(cx - w * 0.33)} {fmt(top + h)} Z",
        color,
        stroke=color,
        stroke_width=2,
        stroke_linejoin="round",
    )
    lid = rect(cx - w / 2, top + w * 0.06, w, w * 0.11, color, rx=1)
    knob = rect(cx - w * 0.15, top - w * 0.06, w * 0.30, w * 0.16, color, rx=1.5)
    ribs = "".join(
        stroke(f"M{fmt(cx + dx)} {fmt(top + w * 0.38)} L{fmt(cx + dx * 0.85)} {fmt(top + h - w * 0.14)}", bg, 1.8)
        for dx in (-w * 0.17, 0.0, w * 0.17)
    )
    return knob + lid + body + ribs


def g_folder(x, y, w, h, color):
    tab = w * 0.40
    return path(
        f"M{fmt(x)} {fmt(y + 2)} Q{fmt(x)} {fmt(y)} {fmt(x + 2)} {fmt(y)} L{fmt(x + tab)} {fmt(y)} "
        f"L{fmt(x + tab + 2.5)} {fmt(y + 2.5)} L{fmt(x + w - 2)} {fmt(y + 2.5)} Q{fmt(x + w)} {fmt(y + 2.5)} {fmt(x + w)} {fmt(y + 4.5)} "
        f"L{fmt(x + w)} {fmt(y + h - 2)} Q{fmt(x + w)} {fmt(y + h)} {fmt(x + w - 2)} {fmt(y + h)} "
        f"L{fmt(x + 2)} {fmt(y + h)} Q{fmt(x)} {fmt(y + h)} {fmt(x)} {fmt(y + h - 2)} Z",
        color,
    )


def g_check(cx, cy, s, color, sw=2.6):
    d = f"M{fmt(cx - s * 0.50)} {fmt(cy + s * 0.02)} L{fmt(cx - s * 0.15)} {fmt(cy + s * 0.36)} L{fmt(cx + s * 0.52)} {fmt(cy - s * 0.34)}"
    return stroke(d, color, sw)


def g_headset(cx, cy, color):
    """Support: a headset, about 26 px wide."""
    out = stroke(arc_d(cx, cy + 1, 10, -90, 90), color, 2.2, cap="butt")
    out += rect(cx - 12, cy, 5, 9, color, rx=2)
    out += rect(cx + 7, cy, 5, 9, color, rx=2)
    out += stroke(f"M{fmt(cx + 9.5)} {fmt(cy + 9)} Q{fmt(cx + 9.5)} {fmt(cy + 13)} {fmt(cx + 4)} {fmt(cy + 13)}", color, 1.8)
    out += rect(cx - 1, cy + 11.5, 5, 3, color, rx=1.5)
    return out


def g_help(cx, cy, color, bg):
    return circle(cx, cy, 12, color) + text(cx, cy + 6, "?", 18, bg, anchor="middle")


def g_download(cx, cy, color):
    """Update: an arrow down into a tray."""
    out = stroke(f"M{fmt(cx)} {fmt(cy - 11)} L{fmt(cx)} {fmt(cy + 3)}", color, 2.6)
    out += stroke(f"M{fmt(cx - 6)} {fmt(cy - 3)} L{fmt(cx)} {fmt(cy + 3.5)} L{fmt(cx + 6)} {fmt(cy - 3)}", color, 2.6)
    out += stroke(
        f"M{fmt(cx - 11)} {fmt(cy + 3)} L{fmt(cx - 11)} {fmt(cy + 10)} L{fmt(cx + 11)} {fmt(cy + 10)} L{fmt(cx + 11)} {fmt(cy + 3)}",
        color,
        2.4,
    )
    return out


def g_document(x, y, w, h, fill, line, ink):
    fold = w * 0.28
    out = path(
        f"M{fmt(x + 0.5)} {fmt(y + 0.5)} L{fmt(x + w - fold)} {fmt(y + 0.5)} L{fmt(x + w - 0.5)} {fmt(y + fold)} "
        f"L{fmt(x + w - 0.5)} {fmt(y + h - 0.5)} L{fmt(x + 0.5)} {fmt(y + h - 0.5)} Z",
        fill,
        stroke=line,
        stroke_width=1,
        stroke_linejoin="round",
    )
    out += path(f"M{fmt(x + w - fold)} {fmt(y + 0.5)} L{fmt(x + w - fold)} {fmt(y + fold)} L{fmt(x + w - 0.5)} {fmt(y + fold)}", "none", stroke=line, stroke_width=1)
    for i, frac in enumerate((0.52, 0.70, 0.88, 0.70)):
        ly = round(y + h * 0.36 + i * h * 0.14)
        out += rect(round(x + w * 0.16), ly, round(w * 0.68 * frac), 2, ink)
    return out


def g_shield(fill_l, fill_r, mark):
    """A 32 x 32 security-suite shield, split in two tones, with a tick."""
    outline = "M16 2 L28 6 L28 15 C28 22.5 23 27.8 16 30.5 C9 27.8 4 22.5 4 15 L4 6 Z"
    right = "M16 2 L28 6 L28 15 C28 22.5 23 27.8 16 30.5 Z"
    return path(outline, fill_l) + path(right, fill_r) + g_check(16, 16, 11, mark, sw=3)


# ------------------------------------------------------------- collection --

ARTS = []  # (name, w, h, kind, rc_id, svg, mask_svg)


def add(name, w, h, body, rc_id, kind="rgba", mask=None):
    ARTS.append((name, w, h, kind, rc_id, svg(w, h, body), svg(w, h, mask) if mask else None))


def add_button(base_name, rc_base, w, h, draw):
    """Four pictures of an image button; draw(state) gives the SVG body."""
    for state, sid in zip(STATES, STATE_IDS):
        add(f"{base_name}_{state}", w, h, draw(state), f"{rc_base} + {sid}")


def add_strip(name, rc_id, frames, fw, fh, draw_frame):
    body = "".join(group(draw_frame(i), transform=f"translate({i * fw} 0)") for i in range(frames))
    add(name, frames * fw, fh, body, rc_id)


# ------------------------------------------------------------ the buttons --


def frame_button(state, w, h, bg, hover_bg, down_bg, glyph, disabled_glyph=None, dim_disabled=True):
    """A 27 x 27 caption button on a dark header (minimise, close)."""
    fill = {"normal": bg, "hover": hover_bg, "pressed": down_bg, "disabled": bg}[state]
    out = rect(0, 0, w, h, bg)
    if state in ("hover", "pressed"):
        out += rect(0, 0, w, h, fill, rx=4)
    color = "#7a7a7a" if state == "disabled" else ("#ffffff" if state != "normal" else "#e6e6e6")
    return out + glyph(color)


def btn_min(state):
    return frame_button(state, 27, 27, CHARCOAL, CHARCOAL_HOVER, CHARCOAL_DOWN, lambda c: g_minus(13.5, 15, 11, c))


def btn_close(state, bg=CHARCOAL):
    return frame_button(state, 27, 27, bg, CLOSE_HOVER, CLOSE_DOWN, lambda c: g_cross(13.5, 13.5, 4.5, c, 1.9))


def menu_button(state, caption, glyph):
    out = rect(0, 0, 66, 67, BLUE)
    if state == "hover":
        out += rect(2, 2, 62, 63, "#ffffff", rx=5, opacity=0.16)
    elif state == "pressed":
        out += rect(2, 2, 62, 63, "#0b2f57", rx=5, opacity=0.30)
    dy = 1 if state == "pressed" else 0
    body = glyph(33, 24 + dy, "#ffffff", BLUE if state != "pressed" else "#1a4f87") + text(33, 55 + dy, caption, 11, "#ffffff", anchor="middle")
    return out + (group(body, opacity=0.42) if state == "disabled" else body)


def secondary_button(state, w, h, caption, glyph, bg=PAGE, size=14):
    fill, line, ink, tx = {
        "normal": (PANEL, FIELD_LINE, BLUE, TEXT),
        "hover": (BLUE_PALE, BLUE, BLUE, BLUE_DOWN),
        "pressed": (BLUE_PALE_DOWN, BLUE_DOWN, BLUE_DOWN, BLUE_DOWN),
        "disabled": (DISABLED_FILL, DISABLED_LINE, DISABLED_TEXT, DISABLED_TEXT),
    }[state]
    dy = 1 if state == "pressed" else 0
    out = rect(0, 0, w, h, bg) + box(0, 0, w, h, fill, line, rx=5)
    tw = text_width(caption, size)
    gw = 20
    x0 = round((w - (gw + 8 + tw)) / 2)
    out += glyph(x0 + gw / 2, h / 2 + dy, ink)
    out += text(x0 + gw + 8, round(h / 2 + size * 0.36) + dy, caption, size, tx)
    return out


def round_button(state, lines, glyph, colors, size=22):
    base, hover, down = colors
    fill = {"normal": base, "hover": hover, "pressed": down, "disabled": DISABLED_SOLID}[state]
    dy = 1 if state == "pressed" else 0
    out = rect(0, 0, 122, 122, PAGE)
    out += circle(61, 61, 60, "#ffffff")
    out += ring(61, 61, 58.5, fill, 1, opacity=0.35)
    out += circle(61, 61, 55, fill)
    ink = "#ffffff" if state != "disabled" else "#f4f6f8"
    out += glyph(61, 45 + dy, ink, fill)
    lh = size + 2
    y0 = 84 if len(lines) == 1 else 80
    for i, ln in enumerate(lines):
        out += text(61, y0 + i * lh + dy, ln, size, ink, anchor="middle")
    return out


# DejaVu Sans Bold advance widths (units of 1/2048 em) for the captions we set,
# so that a glyph and its caption can be centred together.
_ADV = {
    " ": 713, ">": 1716, ".": 780, "B": 1563, "C": 1507, "D": 1702, "H": 1712, "L": 1305, "R": 1577, "S": 1473,
    "U": 1665, "a": 1382, "b": 1466, "c": 1212, "d": 1466, "e": 1389, "f": 890, "h": 1458, "i": 702, "k": 1360,
    "l": 702, "m": 2134, "n": 1458, "o": 1407, "p": 1466, "r": 1010, "s": 1219, "t": 979, "u": 1458, "v": 1335,
    "w": 1886, "x": 1327, "y": 1335, "g": 1466,
}


def text_width(s, size):
    return sum(_ADV.get(ch, 1400) for ch in s) * size / 2048


# ------------------------------------------------------------- main frame --


def title_bar():
    out = rect(0, 0, 738, 32, CHARCOAL)
    out += g_logo(8, 6, 20)
    out += text(36, 21, "Purgeon", 15, "#ffffff")
    out += vline(114, 10, 23, "#6a6a6a")
    out += text(123, 21, "Uninstaller", 13, "#b8b8b8", weight="normal")
    return out


def menu_bar():
    out = rect(0, 0, 738, 68, BLUE) + hline(0, 738, 67, BLUE_LINE)
    out += vline(216, 12, 56, "#4a86c8")
    out += text(724, 31, "Uninstall completely.", 15, "#ffffff", anchor="end")
    out += text(724, 50, "Leave nothing behind.", 13, BLUE_TINT, weight="normal", anchor="end")
    return out


def status_bar():
    return rect(0, 0, 738, 18, CHARCOAL) + hline(0, 738, 0, CHARCOAL_LINE)


# ----------------------------------------------------------------- pages --

STEP_TITLES = {1: "Choose a program", 2: "Review and uninstall", 3: "Remove leftovers"}
STEP_HINTS = {
    1: ("Select a program in the", "list, then press Run."),
    2: ("Check what was found,", "then uninstall the program."),
    3: ("Check the leftovers,", "then press Delete."),
}


def page_back(step):
    """A page background: sidebar and bottom strip on the page colour, and a
    frame around the white list panel that the page places at (184,-1)."""
    out = rect(0, 0, 738, 442, PAGE)
    out += vline(183, 0, 399, LINE) + vline(737, 0, 399, LINE) + hline(183, 738, 398, LINE)
    a, b = STEP_HINTS[step]
    out += text(16, 172, a, 11, MUTED, weight="normal")
    out += text(16, 187, b, 11, MUTED, weight="normal")
    return out


def step_picture(step):
    """Image1 of a page: a card with the three steps and the current one."""
    out = rect(0, 0, 162, 135, PAGE) + box(0, 0, 162, 135, PANEL, LINE, rx=6)
    xs = (37, 81, 125)
    out += hline(xs[0], xs[1], 22, GREEN if step > 1 else LINE)
    out += hline(xs[1], xs[2], 22, GREEN if step > 2 else LINE)
    for i, x in enumerate(xs, start=1):
        if i < step:
            out += circle(x, 22.5, 10, GREEN) + g_check(x, 22.5, 9, "#ffffff", sw=2.2)
        elif i == step:
            out += circle(x, 22.5, 11, BLUE) + text(x, 27, str(i), 13, "#ffffff", anchor="middle")
        else:
            out += circle(x, 22.5, 10, PANEL, stroke=FIELD_LINE, stroke_width=1.5) + text(x, 27, str(i), 12, MUTED, anchor="middle")
    if step == 1:
        # A small program list with one row chosen.
        for i in range(3):
            y = 44 + i * 15
            sel = i == 1
            if sel:
                out += rect(42, y - 2, 78, 15, BLUE_PALE, rx=3)
            out += rect(48, y, 11, 11, BLUE if sel else "#9fb2c6", rx=2)
            out += rect(64, y + 4, 48 if i != 2 else 36, 3, BLUE if sel else "#c3cfdb", rx=1.5)
    elif step == 2:
        out += g_document(58, 42, 34, 44, PANEL, FIELD_LINE, "#c3cfdb")
        out += circle(96, 70, 10, PANEL, opacity=0.9) + g_magnifier(96, 70, 9, BLUE, sw=3, handle=9)
    else:
        out += group(g_broom(0, 0, 1, BLUE, PANEL, detail=True, dust=BLUE), transform="translate(63 42) scale(1.3)")
    out += text(81, 108, STEP_TITLES[step], 12, TEXT, anchor="middle")
    out += text(81, 124, f"Step {step} of 3", 11, MUTED, weight="normal", anchor="middle")
    return out


def search_frame_full():
    # Square on the left where the search button joins it, rounded on the right.
    d = "M0.5 0.5 L227.5 0.5 Q230.5 0.5 230.5 3.5 L230.5 20.5 Q230.5 23.5 227.5 23.5 L0.5 23.5 Z"
    return rect(0, 0, 231, 24, PAGE) + path(d, PANEL, stroke=FIELD_LINE, stroke_width=1)


def btn_search(state):
    fill = {"normal": BLUE, "hover": BLUE_HOVER, "pressed": BLUE_DOWN, "disabled": DISABLED_SOLID}[state]
    d = "M3 0 L26 0 L26 24 L3 24 Q0 24 0 21 L0 3 Q0 0 3 0 Z"
    return rect(0, 0, 26, 24, PAGE) + path(d, fill) + g_magnifier(12, 11, 4.5, "#ffffff", sw=1.8, handle=4.5)


def btn_custom(state):
    color = {"normal": BLUE, "hover": BLUE_DOWN, "pressed": "#123f70", "disabled": DISABLED_TEXT}[state]
    out = rect(0, 0, 175, 17, PAGE)
    cap = "Custom Uninstall >>"
    out += text(174, 13, cap, 12, color, anchor="end")
    if state in ("hover", "pressed"):
        w = round(text_width(cap, 12))
        out += hline(174 - w, 174, 15, color)
    return out


def status_frame(i):
    """One frame of the search strip's spinner: eight 2 x 2 dots on a ring,
    one bright with a fading tail; eight frames make one turn."""
    out = rect(0, 0, 16, 16, STATUS_STRIP)
    spots = ((7, 1), (11, 3), (13, 7), (11, 11), (7, 13), (3, 11), (1, 7), (3, 3))
    for k, (x, y) in enumerate(spots):
        age = (i - k) % 8
        op = (1.0, 0.75, 0.55, 0.40, 0.30, 0.30, 0.30, 0.30)[age]
        out += rect(x, y, 2, 2, "#ffffff", opacity=op)
    return out


def list_icon_generic():
    out = box(2, 4, 28, 24, PANEL, "#7d8b99", rx=2.5)
    out += path("M2.5 9.5 L2.5 7 Q2.5 4.5 5 4.5 L27 4.5 Q29.5 4.5 29.5 7 L29.5 9.5 Z", BLUE, stroke=BLUE, stroke_width=1)
    out += rect(3, 10, 26, 1, "#7d8b99")
    out += circle(26, 7, 1.1, "#ffffff") + circle(22.5, 7, 1.1, "#ffffff")
    out += rect(6, 14, 7, 7, "#9fc2e7", rx=1)
    out += rect(15, 14, 11, 2, "#aab6c2") + rect(15, 18, 8, 2, "#aab6c2") + rect(6, 23, 20, 2, "#d3dae2")
    return out


# ----------------------------------------------------- secondary windows --


def splash():
    out = rect(0, 0, 450, 250, BLUE)
    out += circle(430, 20, 120, "#ffffff", opacity=0.05) + circle(470, 230, 90, "#ffffff", opacity=0.05)
    out += rect(0, 212, 450, 38, BLUE_DOWN)
    out += g_logo(48, 70, 80, inverse=True)
    out += text(148, 113, "Purgeon", 40, "#ffffff")
    out += text(150, 140, "Uninstaller for Windows", 15, BLUE_TINT, weight="normal")
    out += text(48, 236, "Starting\u2026", 12, BLUE_TINT, weight="normal")
    for k in range(3):
        out += circle(402 + k * 12, 231, 2.5, "#ffffff", opacity=(0.9, 0.6, 0.35)[k])
    return out


def loading_frame(i):
    """12 frames of 48 x 48: a blue arc running round a pale track."""
    out = rect(0, 0, 48, 48, LOADING_BG)
    out += ring(24, 24, 17, "#b9d6ef", 5)
    a0 = i * 30
    out += stroke(arc_d(24, 24, 17, a0, a0 + 110), BLUE, 5)
    out += g_logo(16, 16, 16)
    return out


def about():
    w, h = 641, 550
    out = rect(0, 0, w, h, PANEL)
    out += rect(0, 0, w, 42, CHARCOAL)
    out += g_logo(12, 11, 20)
    out += text(42, 26, "About Purgeon", 14, "#ffffff")
    # Hero
    out += rect(0, 42, w, 196, "#f4f8fd") + hline(0, w, 237, "#dfe7f0")
    out += g_logo(30, 72, 88)
    out += text(136, 104, "Purgeon", 38, TEXT)
    out += text(138, 132, "Uninstaller for Windows", 15, MUTED, weight="normal")
    feats = (
        "Runs each program's own uninstaller first",
        "Finds the files, folders and registry entries it leaves",
        "Removes those leftovers when you press Delete",
    )
    for k, f in enumerate(feats):
        y = 166 + k * 22
        out += circle(145, y - 4.5, 7, GREEN) + g_check(145, y - 4.5, 7, "#ffffff", sw=1.8)
        out += text(160, y, f, 12, TEXT, weight="normal")
    # Website: the link label is drawn by the window at (136, 325).
    out += text(136, 276, "Help, support and new versions are on the Purgeon website.", 12, TEXT, weight="normal")
    out += text(136, 310, "PRODUCT WEBSITE", 10, MUTED, letter_spacing=1)
    out += circle(120, 332, 8, "none", stroke=BLUE, stroke_width=1.5)
    out += stroke("M112 332 L128 332 M120 324 Q114 332 120 340 M120 324 Q126 332 120 340", BLUE, 1.2)
    # How it works
    out += hline(30, w - 30, 372, "#e3e9f0")
    steps = (("1", "Choose", "a program in the list"), ("2", "Analyse", "and run its uninstaller"), ("3", "Remove", "what it left behind"))
    for k, (n, a, b) in enumerate(steps):
        x = 30 + k * 200
        out += box(x, 392, 181, 78, "#f7f9fc", "#dfe6ee", rx=6)
        out += circle(x + 28, 431, 14, BLUE) + text(x + 28, 436.5, n, 14, "#ffffff", anchor="middle")
        out += text(x + 52, 427, a, 13, TEXT)
        out += text(x + 52, 445, b, 10.5, MUTED, weight="normal")
        if k < 2:
            out += stroke(f"M{x + 186} 425 L{x + 192} 431 L{x + 186} 437", "#b4c2d2", 2)
    out += rect(0, 500, w, 50, "#f2f5f9") + hline(0, w, 500, "#e3e9f0")
    out += text(w / 2, 529, "Thank you for using Purgeon.", 12, MUTED, weight="normal", anchor="middle")
    out += box(0, 0, w, h, "none", FRAME_GREY)
    return out


def btn_run(state):
    return round_button(state, ("Run",), lambda cx, cy, ink, fill: g_play(cx + 1, cy - 2, 26, ink), (BLUE, BLUE_HOVER, BLUE_DOWN))


# ---------------------------------------------------- later: step 2 and 3 --


def btn_complete(state):
    def glyph(cx, cy, ink, fill):
        return group(g_broom(0, 0, 1, ink, fill, detail=True, dust=ink), transform=f"translate({cx - 19} {cy - 22}) scale(1.25)")

    return round_button(state, ("Complete", "Uninstall"), glyph, (BLUE, BLUE_HOVER, BLUE_DOWN), size=14)


def btn_delete(state):
    return round_button(state, ("Delete",), lambda cx, cy, ink, fill: g_trash(cx, cy - 16, 24, ink, fill), (WARM, WARM_HOVER, WARM_DOWN), size=20)


# -------------------------------------------------------- shaped windows --


def keyed_shape(w, h, r):
    return f'<rect x="0" y="0" width="{w}" height="{h}" rx="{r}" fill="#ffffff" shape-rendering="crispEdges"/>'


def window_header(w, hh, title, r):
    out = path(f"M0 {hh} L0 {r} Q0 0 {r} 0 L{w - r} 0 Q{w} 0 {w} {r} L{w} {hh} Z", CHARCOAL)
    out += g_logo(12, (hh - 20) // 2, 20)
    out += text(42, hh // 2 + 5, title, 14, "#ffffff")
    return out


def wizard():
    w, h, r = 643, 418, 10
    out = rect(0, 0, w, h, PANEL, rx=r)
    out += window_header(w, 44, "Custom Uninstall", r)
    # Folder field: the edit box sits inside at (64, 146), 432 x 18.
    out += box(36, 140, 468, 30, PANEL, FIELD_LINE, rx=3)
    out += g_folder(44, 149, 14, 12, "#9fb2c6")
    # Footer with the Scan button at (241, 337).
    out += path(f"M0 310 L{w} 310 L{w} {h - r} Q{w} {h} {w - r} {h} L{r} {h} Q0 {h} 0 {h - r} Z", "#f2f5f9")
    out += hline(0, w, 310, "#e0e6ed")
    return out


def btn_scan(state):
    return primary_button(state, 160, 44, "Scan", lambda cx, cy, c: g_magnifier(cx - 1, cy - 1, 5.5, c, sw=2.2, handle=5), "#f2f5f9")


def btn_scan_leftovers(state):
    return primary_button(state, 192, 50, "Scan Leftovers", lambda cx, cy, c: g_magnifier(cx - 1, cy - 1, 5.5, c, sw=2.2, handle=5), "#f2f5f9", size=15)


def primary_button(state, w, h, caption, glyph, bg, size=15):
    fill = {"normal": BLUE, "hover": BLUE_HOVER, "pressed": BLUE_DOWN, "disabled": DISABLED_SOLID}[state]
    dy = 1 if state == "pressed" else 0
    out = rect(0, 0, w, h, bg) + rect(0, 0, w, h, fill, rx=6)
    if state != "pressed":
        out += rect(0, h - 2, w, 2, "#000000", opacity=0.12, rx=1)
    tw = text_width(caption, size)
    x0 = round((w - (18 + 8 + tw)) / 2)
    ink = "#ffffff"
    out += glyph(x0 + 9, h / 2 + dy, ink)
    out += text(x0 + 26, round(h / 2 + size * 0.36) + dy, caption, size, ink)
    return out


def btn_select_dir(state):
    fill, line, ink = {
        "normal": (PANEL, FIELD_LINE, BLUE),
        "hover": (BLUE_PALE, BLUE, BLUE),
        "pressed": (BLUE_PALE_DOWN, BLUE_DOWN, BLUE_DOWN),
        "disabled": (DISABLED_FILL, DISABLED_LINE, DISABLED_TEXT),
    }[state]
    dy = 1 if state == "pressed" else 0
    return rect(0, 0, 95, 30, PANEL) + box(0, 0, 95, 30, fill, line, rx=3) + g_folder(12, 9 + dy, 16, 13, ink) + text(36, 20 + dy, "Browse", 12, ink if state != "normal" else TEXT)


def analyzing_window():
    w, h, r = 462, 223, 10
    out = rect(0, 0, w, h, PANEL, rx=r)
    out += window_header(w, 36, "Analyzing", r)
    # Under Img_CurAppLogo: a folder, seen while the picture holds no icon.
    out += g_folder(25, 59, 30, 24, "#9fb2c6")
    out += hline(24, w - 24, 112, "#e3e9f0")
    return out


def analyzing_frame(i):
    """12 frames of 80 x 80: a magnifier circling over a document."""
    out = rect(0, 0, 80, 80, PANEL)
    out += circle(40, 40, 36, "#f0f5fb")
    out += g_document(24, 17, 30, 40, PANEL, FIELD_LINE, "#c3cfdb")
    out += g_document(30, 24, 30, 40, PANEL, FIELD_LINE, "#c3cfdb")
    x, y = pt(46, 46, 7, i * 30)
    out += circle(x, y, 9, "#ffffff", opacity=0.55)
    out += g_magnifier(x, y, 9, BLUE, sw=3.2, handle=9)
    return out


def uninstall_window():
    w, h, r = 644, 418, 10
    out = rect(0, 0, w, h, PANEL, rx=r)
    out += window_header(w, 44, "Uninstalling", r)
    for y in range(140, 178, 6):
        out += rect(78, y, 2, 3, LINE)
    out += path(f"M0 280 L{w} 280 L{w} {h - r} Q{w} {h} {w - r} {h} L{r} {h} Q0 {h} 0 {h - r} Z", "#f2f5f9")
    out += hline(0, w, 280, "#e0e6ed")
    return out


def step_tip(n):
    def draw(state):
        out = rect(0, 0, 42, 42, PANEL)
        if state == "disabled":  # the step is reached
            return out + circle(21, 21, 19, GREEN) + g_check(21, 21, 16, "#ffffff", sw=3)
        line, ink, fill = {
            "normal": (FIELD_LINE, MUTED, PANEL),
            "hover": (BLUE, BLUE, BLUE_PALE),
            "pressed": (BLUE_DOWN, BLUE_DOWN, BLUE_PALE_DOWN),
        }[state]
        return out + circle(21, 21, 18.5, fill, stroke=line, stroke_width=2) + text(21, 27.5, str(n), 18, ink, anchor="middle")

    return draw


def step_marker_frame(i):
    """8 frames of 16 x 16: an arrow nudging towards the step."""
    dx = (0, 1, 2, 3, 4, 3, 2, 1)[i]
    out = rect(0, 0, 16, 16, PANEL)
    out += path(f"M{3 + dx} 3 L{11 + dx} 8 L{3 + dx} 13 Z", BLUE, stroke=BLUE, stroke_width=1.5, stroke_linejoin="round")
    return out


def updating_frame(i):
    """12 frames of 48 x 48: two arrows chasing each other round."""
    out = rect(0, 0, 48, 48, LOADING_BG)
    out += circle(24, 24, 22, "#c7e0f5")
    a = i * 15
    for k in (0, 180):
        out += stroke(arc_d(24, 24, 13, a + k + 20, a + k + 140), BLUE, 4, cap="butt")
        out += arrow_head(24, 24, 13, a + k + 140, 5.5, BLUE)
    return out


# ----------------------------------------------------------------- build --


def build():
    # Program icon (purgeon.ico), each size drawn at its size.
    for size in (16, 20, 24, 32, 48, 256):
        add(f"logo_{size}", size, size, g_logo(0, 0, size), "", kind="icon")

    add("title", 738, 32, title_bar(), "IDP_TITLE")
    add("menu_bar", 738, 68, menu_bar(), "IDP_MENU_BAR")
    add("status_bar", 738, 18, status_bar(), "IDP_STATUS_BAR")
    add_button("btn_min", "IDP_BTN_MIN", 27, 27, btn_min)
    add_button("btn_close", "IDP_BTN_CLOSE", 27, 27, btn_close)
    add_button("btn_support", "IDP_BTN_SUPPORT", 66, 67, lambda s: menu_button(s, "Support", lambda x, y, c, b: g_headset(x, y - 4, c)))
    add_button("btn_help", "IDP_BTN_HELP", 66, 67, lambda s: menu_button(s, "Help", g_help))
    add_button("btn_upgrade", "IDP_BTN_UPGRADE", 66, 67, lambda s: menu_button(s, "Update", lambda x, y, c, b: g_download(x, y, c)))

    add("step1_back", 738, 442, page_back(1), "IDP_STEP1_BACK")
    add("step1_picture", 162, 135, step_picture(1), "IDP_STEP1_PICTURE")
    add("search_frame", 231, 24, search_frame_full(), "IDP_SEARCH_FRAME")
    add_button("btn_refresh", "IDP_BTN_REFRESH", 151, 43, lambda s: secondary_button(s, 151, 43, "Refresh", lambda x, y, c: g_refresh(x, y, 7, c, 2.2, 3.4)))
    add_button("btn_run", "IDP_BTN_RUN", 122, 122, btn_run)
    add_button("btn_search", "IDP_BTN_SEARCH", 26, 24, btn_search)
    add_button("btn_custom", "IDP_BTN_CUSTOM", 175, 17, btn_custom)
    add_strip("status_animation", "IDP_STATUS_ANIMATION", 8, 16, 16, status_frame)
    add("icon_suite_red", 32, 32, g_shield("#e0443b", "#c2312a", "#ffffff"), "IDP_ICON_SUITE_RED")
    add("icon_suite_dark", 32, 32, g_shield("#5d636b", "#42474e", "#ffffff"), "IDP_ICON_SUITE_DARK")
    add("icon_generic", 32, 32, list_icon_generic(), "IDP_ICON_GENERIC")

    add("splash", 450, 250, splash(), "IDP_SPLASH")
    add_strip("loading_animation", "IDP_LOADING_ANIMATION", 12, 48, 48, loading_frame)
    add("about", 641, 550, about(), "IDP_ABOUT")
    add_button("btn_about_close", "IDP_BTN_ABOUT_CLOSE", 27, 27, btn_close)

    add("step2_back", 738, 442, page_back(2), "IDP_STEP2_BACK")
    add("step2_picture", 162, 135, step_picture(2), "IDP_STEP2_PICTURE")
    add("step3_back", 738, 442, page_back(3), "IDP_STEP3_BACK")
    add("step3_picture", 162, 135, step_picture(3), "IDP_STEP3_PICTURE")
    add_button("btn_complete_uninstall", "IDP_BTN_COMPLETE_UNINSTALL", 122, 122, btn_complete)
    add_button("btn_back", "IDP_BTN_BACK", 151, 43, lambda s: secondary_button(s, 151, 43, "Back", lambda x, y, c: g_back(x, y, 15, c)))
    add_button("btn_delete", "IDP_BTN_DELETE", 122, 122, btn_delete)

    add("wizard_back", 643, 418, wizard(), "IDP_WIZARD_BACK", kind="keyed", mask=keyed_shape(643, 418, 10))
    add_button("btn_scan", "IDP_BTN_SCAN", 160, 44, btn_scan)
    add_button("btn_wizard_close", "IDP_BTN_WIZARD_CLOSE", 27, 27, btn_close)
    add_button("btn_select_dir", "IDP_BTN_SELECT_DIR", 95, 30, btn_select_dir)

    add("analyzing_back", 462, 223, analyzing_window(), "IDP_ANALYZING_BACK", kind="keyed", mask=keyed_shape(462, 223, 10))
    add_strip("analyzing_animation", "IDP_ANALYZING_ANIMATION", 12, 80, 80, analyzing_frame)

    add("uninstall_back", 644, 418, uninstall_window(), "IDP_UNINSTALL_BACK", kind="keyed", mask=keyed_shape(644, 418, 10))
    add_button("btn_step_tip1", "IDP_BTN_STEP_TIP1", 42, 42, step_tip(1))
    add_button("btn_step_tip2", "IDP_BTN_STEP_TIP2", 42, 42, step_tip(2))
    add_strip("step_marker", "IDP_STEP_MARKER", 8, 16, 16, step_marker_frame)
    add_button("btn_scan_leftovers", "IDP_BTN_SCAN_LEFTOVERS", 192, 50, btn_scan_leftovers)

    add_strip("updating_animation", "IDP_UPDATING_ANIMATION", 12, 48, 48, updating_frame)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw.py OUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    build()
    with open(os.path.join(out, "manifest.tsv"), "w") as m:
        for name, w, h, kind, rc_id, doc, mask in ARTS:
            with open(os.path.join(out, name + ".svg"), "w") as f:
                f.write(doc)
            if mask:
                with open(os.path.join(out, name + ".mask.svg"), "w") as f:
                    f.write(mask)
            m.write(f"{name}\t{w}\t{h}\t{kind}\t{rc_id}\n")


if __name__ == "__main__":
    main()
