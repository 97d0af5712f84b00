#!/usr/bin/python3
"""Generate the artwork of ぽまりん (Pomarin) into resources/images/.

The courier, the icon (in each of its drawn sizes) and the street props are hand-drawn pixel grids
(resources/art/*.txt, one character per pixel, '.' = background, colours from
PALETTE below); the street scene itself is drawn procedurally and the props are
pasted into it.  Everything is deterministic (texture comes from a hash, not a
random generator), so running the script twice gives byte-identical PNGs.

Run with Debian's python3, which has PIL:
    /usr/bin/python3 resources/art/make_art.py
"""

from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

ART = Path(__file__).resolve().parent
OUT = ART.parent / "images"
FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

# One palette for every grid, so the courier looks the same in all sizes.
# Whites are deliberately off-white: pure white is the sprite sheet's key colour.
PALETTE = {
    "k": (44, 34, 46),     # outline, eyes
    "h": (58, 54, 82),     # hair
    "i": (104, 100, 136),  # hair shine
    "s": (248, 208, 166),  # skin
    "S": (222, 164, 124),  # skin shade, far limbs
    "m": (240, 140, 136),  # cheeks
    "w": (250, 250, 246),  # headband, loincloth, paper
    "W": (196, 204, 222),  # white cloth in shadow
    "b": (58, 94, 172),    # indigo happi coat
    "B": (34, 54, 110),    # happi in shadow
    "c": (122, 162, 222),  # happi highlight
    "r": (214, 60, 54),    # lacquered letter box, sash
    "R": (146, 36, 42),    # red in shadow, mouth
    "o": (244, 118, 88),   # red highlight
    "y": (242, 198, 78),   # gold cord
    "Y": (186, 138, 48),   # gold in shadow
    "p": (176, 120, 70),   # carrying pole
    "P": (118, 78, 46),    # pole in shadow
    "n": (224, 192, 122),  # straw sandals
    "N": (172, 136, 80),   # straw in shadow
}

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
FRAME_BG = (160, 160, 160)  # the running frames' transparent key colour

CELL = 32
SCENE_SIZE = (279, 179)
STAGE_BOX = (238, 134, 279, 171)  # where the program stands the courier
VISIBLE = (277, 173)              # the frame hides the right 2 columns, bottom 6 rows


def load_grid(name, size):
    """Read a pixel grid, checking its size and that every colour is known."""
    rows = (ART / name).read_text(encoding="utf-8").splitlines()
    width, height = size
    assert len(rows) == height, f"{name}: {len(rows)} rows, expected {height}"
    for y, row in enumerate(rows):
        assert len(row) == width, f"{name}:{y + 1}: {len(row)} columns, expected {width}"
        unknown = set(row) - set(PALETTE) - {"."}
        assert not unknown, f"{name}:{y + 1}: unknown colours {unknown}"
    return rows


def grid_image(rows, background):
    """Render a grid; '.' pixels get the background colour (RGB or RGBA)."""
    mode = "RGBA" if len(background) == 4 else "RGB"
    img = Image.new(mode, (len(rows[0]), len(rows)), background)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != ".":
                img.putpixel((x, y), PALETTE[ch] + ((255,) if mode == "RGBA" else ()))
    return img


def mirrored(rows):
    return [row[::-1] for row in rows]


def save(img, name):
    img.save(OUT / name)


# --- the courier ------------------------------------------------------------

def make_chara():
    """64x256 sheet: rows 0-3 poses (left, right, front, back) x 2 steps on
    white, rows 4-7 their masks (white = figure, black = background)."""
    poses = []
    for view in ("left", "right", "front", "back"):
        source = "left" if view == "right" else view
        steps = [load_grid(f"courier_{source}_{step}.txt", (CELL, CELL)) for step in (0, 1)]
        if view == "right":
            steps = [mirrored(rows) for rows in steps]
        for rows in steps:
            # Keep a 1px margin so the figure never touches its neighbour cell.
            assert set(rows[0] + rows[-1] + "".join(r[0] + r[-1] for r in rows)) == {"."}
        poses.append(steps)

    sheet = Image.new("RGB", (2 * CELL, 8 * CELL), WHITE)
    for row, steps in enumerate(poses):
        for col, rows in enumerate(steps):
            sheet.paste(grid_image(rows, WHITE), (col * CELL, row * CELL))

    # Masks are derived from the poses, never drawn.
    px = sheet.load()
    for y in range(4 * CELL):
        for x in range(2 * CELL):
            px[x, y + 4 * CELL] = WHITE if px[x, y] != WHITE else BLACK

    assert all(c != WHITE for c in PALETTE.values()), "figure colours must not be pure white"
    save(sheet, "chara.png")

    written = Image.open(OUT / "chara.png")
    assert written.size == (64, 256) and written.mode == "RGB"
    px = written.load()
    for y in range(4 * CELL):
        for x in range(2 * CELL):
            assert px[x, y + 4 * CELL] == (WHITE if px[x, y] != WHITE else BLACK)


def shape_rectangles(img, background):
    """Rectangles needed to shape a window to the figure: one per run per row."""
    px = img.load()
    count = 0
    for y in range(img.height):
        inside = False
        for x in range(img.width):
            figure = px[x, y] != background
            count += figure and not inside
            inside = figure
    return count


def make_frames():
    """The running frames on the grey key colour, numbered step + 2 * right + 4 * up:
    frame0/1 run left, frame2/3 run right (mirrors), frame4/5 run up and to the
    left (seen from behind), frame6/7 run up and to the right (mirrors)."""
    sources = [load_grid(f"{name}_{step}.txt", (64, 64))
               for name in ("run_left", "run_back_left") for step in (0, 1)]
    used = {PALETTE[ch] for rows in sources for ch in "".join(rows) if ch != "."}
    assert FRAME_BG not in used, "the figure must not use the frames' key grey"
    for i in range(8):
        step, right, up = i & 1, i >> 1 & 1, i >> 2
        rows = sources[2 * up + step]
        img = grid_image(mirrored(rows) if right else rows, FRAME_BG)
        assert img.getpixel((0, 0)) == FRAME_BG and img.size == (64, 64)
        rects = shape_rectangles(img, FRAME_BG)
        print(f"frame{i}.png: {rects} shape rectangles")
        assert rects < 200
        save(img, f"frame{i}.png")


# The icon's sizes: each drawn for its size, and the larger ones as whole-pixel enlargements of
# a drawn one, so that no desktop has to blur it.
DRAWN_ICONS = (16, 24, 32, 48)
ENLARGED_ICONS = {64: 32, 96: 48, 128: 32, 256: 32}


def save_icon(img, size):
    # A palette PNG keeps the icon small; index 0 is reserved for transparency.
    colours = sorted({c for c in img.getdata() if c[3] == 255})
    assert len(colours) < 256
    icon = Image.new("P", img.size, 0)
    icon.putpalette([0, 0, 0] + [v for c in colours for v in c[:3]])
    index = {c: i + 1 for i, c in enumerate(colours)}
    icon.putdata([index.get(c, 0) for c in img.getdata()])
    icon.save(OUT / f"icon{size}.png", transparency=0)


def make_icons():
    """The window icon: the courier holding up a letter, on transparency."""
    drawn = {size: grid_image(load_grid(f"icon{size}.txt", (size, size)), (0, 0, 0, 0))
             for size in DRAWN_ICONS}
    for size, img in drawn.items():
        save_icon(img, size)
    for size, source in ENLARGED_ICONS.items():
        save_icon(drawn[source].resize((size, size), Image.NEAREST), size)


# --- the street scene --------------------------------------------------------

# A small scene palette keeps the procedural parts looking like pixel art.
SKY = [(108, 168, 228), (132, 186, 236), (158, 204, 242), (186, 220, 246), (214, 234, 250)]
CLOUD, CLOUD_SHADE = (250, 251, 252), (214, 226, 242)
MOUNTAIN, MOUNTAIN_SHADE = (146, 168, 206), (124, 146, 190)
SNOW, SNOW_SHADE = (242, 246, 252), (204, 216, 236)
ROOF, ROOF_LIGHT, ROOF_DARK = (82, 90, 114), (116, 126, 150), (50, 56, 76)
WOOD_DARK, WOOD, WOOD_LIGHT = (70, 46, 36), (112, 74, 50), (156, 110, 70)
INTERIOR = (40, 30, 32)
PLASTER, PLASTER_SHADE = (238, 230, 212), (208, 198, 178)
SLATE = (72, 78, 92)
STONE, STONE_DARK, STONE_LIGHT = (156, 152, 146), (116, 112, 108), (188, 184, 176)
GROUND, GROUND_DARK, GROUND_LIGHT = (208, 180, 138), (184, 154, 112), (224, 202, 164)
BLOSSOM_DARK, BLOSSOM, BLOSSOM_LIGHT = (222, 136, 168), (242, 176, 200), (252, 214, 228)
TRUNK = (92, 64, 60)
NOREN_INDIGO, NOREN_GREEN, NOREN_BROWN = (46, 70, 128), (60, 104, 80), (128, 66, 48)
FELT, FELT_SHADE = (200, 52, 48), (146, 36, 42)
TITLE_BLUE, TITLE_BLUE_DARK = (34, 84, 204), (22, 50, 136)
PLAQUE, PLAQUE_SHADE = (250, 242, 218), (230, 216, 184)

GROUND_Y = 134  # the street starts here; buildings stand on it

BAYER4 = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


def noise(x, y):
    """Deterministic per-pixel hash in 0..255, for texture without randomness."""
    h = (x * 374761393 + y * 668265263) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF


def dithered(colours, t, x, y):
    """Pick from a colour ramp at position t (0..1) with ordered dithering."""
    level = t * (len(colours) - 1) + (BAYER4[y % 4][x % 4] + 0.5) / 16 - 0.5
    return colours[max(0, min(len(colours) - 1, round(level)))]


def paste_grid(img, name, size, pos):
    """Paste a prop grid; its '.' pixels stay see-through."""
    rows = load_grid(name, size)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != ".":
                img.putpixel((pos[0] + x, pos[1] + y), PALETTE[ch])


def blob_mask(size, circles, base=None):
    """Union of filled circles (a cloud or a crown of blossom), flat below base."""
    mask = Image.new("1", size, 0)
    d = ImageDraw.Draw(mask)
    for cx, cy, r in circles:
        d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=1)
    if base is not None:
        d.rectangle((0, base, size[0], size[1]), fill=0)
    return mask


def draw_sky(img):
    px = img.load()
    for y in range(112):
        for x in range(img.width):
            px[x, y] = dithered(SKY, y / 111, x, y)


def draw_clouds(img):
    clouds = [
        ([(30, 22, 7), (40, 17, 9), (52, 21, 7), (62, 24, 5)], 28),
        ([(112, 30, 5), (120, 26, 7), (130, 29, 5)], 33),
        ([(214, 14, 6), (224, 10, 8), (236, 13, 6), (246, 17, 4)], 20),
    ]
    px = img.load()
    for circles, base in clouds:
        mask = blob_mask(img.size, circles, base)
        m = mask.load()
        for y in range(img.height):
            for x in range(img.width):
                if m[x, y]:
                    # the underside is shaded; it is where the cloud ends just below
                    px[x, y] = CLOUD_SHADE if y + 3 >= base or not m[x, y + 3] else CLOUD


def draw_mountain(img):
    """Mt. Fuji far away, peeking over the roofs: concave flanks, snow cap."""
    px = img.load()
    peak_x, peak_y, half, height = 176, 34, 104, 80
    for x in range(peak_x - half, min(peak_x + half + 1, img.width)):
        u = max(0, abs(x - peak_x) - 5) / (half - 5)   # a small flat crater on top
        top = peak_y + round(height * u ** 0.62)
        # ragged snow line, lower in the gullies
        snow = peak_y + 18 + (noise(x // 3, 7) % 5) + (4 if (x // 3) % 3 == 0 else 0)
        for y in range(top, 112):
            right = x > peak_x + (y - peak_y) // 6      # light comes from the left
            if y < snow:
                px[x, y] = SNOW_SHADE if right else SNOW
            else:
                px[x, y] = MOUNTAIN_SHADE if right else MOUNTAIN


def draw_blossom_tree(img):
    """A cherry tree in bloom behind the garden wall on the right."""
    d = ImageDraw.Draw(img)
    d.polygon([(247, 112), (254, 112), (253, 90), (264, 74), (260, 72), (251, 84), (242, 70), (238, 72),
               (249, 90)], fill=TRUNK)
    clumps = [(252, 50, 15), (270, 56, 14), (236, 60, 13), (282, 72, 11), (262, 70, 13), (244, 76, 12),
              (226, 76, 9), (274, 86, 9), (236, 88, 7), (256, 88, 8)]
    px = img.load()

    def inside(x, y, cx, cy, r):
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r + r

    # Clumps from the back (top) to the front: each a puff lit from the
    # top-left, with a darker rim where it sits on the ones behind it.
    for cx, cy, r in sorted(clumps, key=lambda c: c[1]):
        for y in range(cy - r, cy + r + 1):
            for x in range(max(0, cx - r), min(img.width, cx + r + 1)):
                if not inside(x, y, cx, cy, r):
                    continue
                if not inside(x + 2, y + 3, cx, cy, r):
                    colour = BLOSSOM_DARK
                elif not inside(x - 2, y - 2, cx, cy, r):
                    colour = BLOSSOM_LIGHT
                else:
                    colour = BLOSSOM
                px[x, y] = colour
    mask = blob_mask(img.size, clumps)
    m = mask.load()
    for y in range(img.height):  # single blossoms break up the smooth shapes
        for x in range(img.width):
            if m[x, y] and noise(x, y) < 12:
                px[x, y] = BLOSSOM_LIGHT if px[x, y] == BLOSSOM else BLOSSOM
    for x, y in ((214, 96), (221, 101), (206, 88), (230, 108)):  # drifting petals
        px[x, y] = BLOSSOM_LIGHT


def tiled_roof(d, x0, x1, y0, y1):
    """A run of grey kawara tiles seen from the street: ribs and round tile ends."""
    d.rectangle((x0, y0, x1, y1), fill=ROOF)
    for x in range(x0 + 1, x1, 4):
        d.line((x, y0 + 1, x, y1 - 2), fill=ROOF_LIGHT)
        d.line((x + 3, y0 + 1, x + 3, y1 - 2), fill=ROOF_DARK)
    d.line((x0, y0, x1, y0), fill=ROOF_DARK)
    d.line((x0, y1, x1, y1), fill=ROOF_DARK)
    for x in range(x0 + 1, x1 - 1, 4):
        d.rectangle((x, y1 - 2, x + 1, y1 - 1), fill=ROOF_LIGHT)


def main_roof(d, x0, x1, top):
    """Ridge with raised end tiles over a band of tiles; returns the eave line."""
    tiled_roof(d, x0 - 3, x1 + 3, top + 4, top + 15)
    d.rectangle((x0 + 1, top + 1, x1 - 1, top + 4), fill=ROOF_DARK)
    d.line((x0 + 1, top + 1, x1 - 1, top + 1), fill=ROOF_LIGHT)
    for ex in (x0 - 1, x1 - 3):  # onigawara at both ends of the ridge
        d.rectangle((ex, top - 2, ex + 4, top + 4), fill=ROOF_DARK)
        d.rectangle((ex + 1, top - 1, ex + 3, top), fill=ROOF_LIGHT)
    return top + 16


def lattice(d, x0, y0, x1, y1):
    """Koshi: fine wooden slats in front of a dark interior."""
    d.rectangle((x0, y0, x1, y1), fill=INTERIOR)
    for x in range(x0 + 1, x1, 2):
        d.line((x, y0, x, y1), fill=WOOD_LIGHT)
    d.rectangle((x0, y0, x1, y0 + 1), fill=WOOD)
    d.rectangle((x0, y1 - 1, x1, y1), fill=WOOD)
    d.line((x0, (y0 + y1) // 2, x1, (y0 + y1) // 2), fill=WOOD)


def noren(img, x0, x1, y0, colour, crest):
    """A split shop curtain over a dark doorway, with a white crest or letter."""
    d = ImageDraw.Draw(img)
    d.rectangle((x0, y0, x1, GROUND_Y - 4), fill=INTERIOR)
    d.rectangle((x0, y0, x1, y0 + 15), fill=colour)
    for x in range(x0 + (x1 - x0) // 3, x1 - 2, (x1 - x0) // 3 + 1):
        d.line((x, y0 + 12, x, y0 + 15), fill=INTERIOR)  # split below the crest
    d.line((x0, y0, x1, y0), fill=WOOD_DARK)
    cx = (x0 + x1) // 2
    if crest:
        font = ImageFont.truetype(FONT, 11)
        d.fontmode = "1"
        d.text((cx, y0 + 7), crest, font=font, fill=PLASTER, anchor="mm")
    else:
        d.ellipse((cx - 4, y0 + 2, cx + 4, y0 + 10), outline=PLASTER)


def machiya(img, x0, x1, top, curtain, crest, window="mushiko", lantern=False):
    """A two-storey wooden town house with tiled roofs, lattice and noren."""
    d = ImageDraw.Draw(img)
    eave = main_roof(d, x0, x1, top)
    # upper storey: plaster between dark posts, with a slatted window
    d.rectangle((x0, eave, x1, 100), fill=PLASTER)
    d.rectangle((x0, eave, x1, eave + 1), fill=WOOD_DARK)
    wx0, wx1 = x0 + 8, x1 - 8
    wy0, wy1 = eave + 6, 93
    if window == "mushiko":
        d.rectangle((wx0 - 1, wy0 - 1, wx1 + 1, wy1 + 1), fill=PLASTER_SHADE)
        for x in range(wx0, wx1 + 1):
            d.line((x, wy0, x, wy1), fill=INTERIOR if (x - wx0) % 3 == 2 else PLASTER)
    else:
        lattice(d, wx0, wy0, wx1, wy1)
    # lower roof (hisashi) between the storeys
    tiled_roof(d, x0 - 2, x1 + 2, 95, 103)
    # ground floor: posts, lattice on the left, a curtained door on the right
    d.rectangle((x0, 104, x1, GROUND_Y - 1), fill=WOOD)
    door = x0 + (x1 - x0) * 5 // 9
    lattice(d, x0 + 4, 106, door - 3, GROUND_Y - 5)
    noren(img, door, x1 - 4, 106, curtain, crest)
    for x in (x0, door - 2, x1 - 3):
        d.rectangle((x, 104, x + 2, GROUND_Y - 1), fill=WOOD_DARK)
    d.rectangle((x0, GROUND_Y - 4, x1, GROUND_Y - 1), fill=STONE)
    d.line((x0, GROUND_Y - 4, x1, GROUND_Y - 4), fill=STONE_LIGHT)
    if lantern:  # hung from the lower eave, beside the doorway
        paste_grid(img, "lantern.txt", (10, 14), (door - 12, 104))


def storehouse(img, x0, x1, top):
    """A white kura with a namako (diamond-tiled) skirt."""
    d = ImageDraw.Draw(img)
    eave = main_roof(d, x0, x1, top)
    d.rectangle((x0, eave, x1, GROUND_Y - 1), fill=PLASTER)
    d.line((x0, eave, x1, eave), fill=PLASTER_SHADE)
    # a small shuttered window
    cx = (x0 + x1) // 2
    d.rectangle((cx - 5, eave + 7, cx + 5, eave + 15), fill=SLATE)
    d.rectangle((cx - 4, eave + 8, cx + 4, eave + 14), fill=INTERIOR)
    d.line((cx, eave + 8, cx, eave + 14), fill=SLATE)
    px = img.load()
    for y in range(112, GROUND_Y):
        for x in range(x0, x1 + 1):
            diamond = (x + y) % 6 == 0 or (x - y) % 6 == 0
            px[x, y] = PLASTER if diamond else SLATE
    d.line((x0, 111, x1, 111), fill=ROOF_DARK)


def garden_wall(img, x0, x1):
    """Plastered earthen wall with a tiled coping and a stone footing."""
    d = ImageDraw.Draw(img)
    tiled_roof(d, x0, x1, 104, 110)
    d.rectangle((x0, 111, x1, GROUND_Y - 1), fill=PLASTER)
    d.line((x0, 111, x1, 111), fill=PLASTER_SHADE)
    d.rectangle((x0, 126, x1, GROUND_Y - 1), fill=STONE)
    for x in range(x0, x1 + 1, 9):  # staggered footing stones
        d.line((x, 126, x, 129), fill=STONE_DARK)
        d.line((x + 4, 130, x + 4, GROUND_Y - 1), fill=STONE_DARK)
    d.line((x0, 126, x1, 126), fill=STONE_LIGHT)
    d.line((x0, 130, x1, 130), fill=STONE_DARK)


def tea_bench(d, x0, x1, y):
    """A low bench covered in red felt, in front of the tea house."""
    d.rectangle((x0, y, x1, y + 2), fill=FELT)
    d.line((x0, y + 3, x1, y + 3), fill=FELT_SHADE)
    for x in (x0 + 2, x1 - 3):
        d.rectangle((x, y + 4, x + 1, GROUND_Y), fill=WOOD_DARK)


def signboard(img, x, y, text):
    """A dark wooden shop sign with pale lettering."""
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(FONT, 12)
    d.fontmode = "1"
    w = round(d.textlength(text, font=font))
    d.rectangle((x - w // 2 - 4, y - 8, x + w // 2 + 3, y + 7), fill=WOOD_DARK)
    d.rectangle((x - w // 2 - 3, y - 7, x + w // 2 + 2, y + 6), fill=WOOD)
    d.text((x, y), text, font=font, fill=PLASTER, anchor="mm")


def draw_birds(img):
    """Two swallows far off, for a little life in the sky."""
    for bx, by in ((150, 18), (161, 13)):
        for dx, dy in ((0, 0), (1, 1), (2, 1), (3, 0), (4, 1), (5, 1), (6, 0)):
            img.putpixel((bx + dx, by + dy), SLATE)


def shadow(img, x0, x1, y):
    """A short cast shadow on the street (the sun is high on the left)."""
    d = ImageDraw.Draw(img)
    d.line((x0 + 1, y, x1 - 1, y), fill=GROUND_DARK)
    d.line((x0, y + 1, x1, y + 1), fill=GROUND_DARK)


def draw_street(img):
    px = img.load()
    for y in range(GROUND_Y, img.height):
        for x in range(img.width):
            n = noise(x, y)
            colour = GROUND
            # sparse pebbles and grit, but none where the courier stands
            if not (STAGE_BOX[0] - 4 <= x and y >= STAGE_BOX[1] - 2):
                if n < 6:
                    colour = GROUND_DARK
                elif n > 249:
                    colour = GROUND_LIGHT
            px[x, y] = colour
    d = ImageDraw.Draw(img)
    # a stone-edged gutter along the house fronts
    d.rectangle((0, GROUND_Y, img.width, GROUND_Y + 2), fill=STONE_DARK)
    for x in range(0, img.width, 7):
        d.rectangle((x + 1, GROUND_Y, x + 5, GROUND_Y + 1), fill=STONE)
    d.line((0, GROUND_Y + 3, img.width, GROUND_Y + 3), fill=GROUND_DARK)


def draw_title(img):
    """ぽまりん in blue on a pale wooden plaque, bottom centre."""
    d = ImageDraw.Draw(img)
    d.fontmode = "1"
    font = ImageFont.truetype(FONT, 20)
    text = "ぽまりん"
    cx, cy = 138, 151
    left, top, right, bottom = d.textbbox((cx, cy), text, font=font, anchor="mm")
    box = (left - 9, top - 5, right + 9, bottom + 5)
    d.rectangle((box[0] + 1, box[1], box[2] - 1, box[3]), fill=WOOD_DARK)
    d.rectangle((box[0], box[1] + 1, box[2], box[3] - 1), fill=WOOD_DARK)
    d.rectangle((box[0] + 2, box[1] + 2, box[2] - 2, box[3] - 2), fill=PLAQUE)
    d.line((box[0] + 2, box[3] - 2, box[2] - 2, box[3] - 2), fill=PLAQUE_SHADE)
    for x, y in ((box[0] + 4, box[1] + 4), (box[2] - 4, box[1] + 4),
                 (box[0] + 4, box[3] - 4), (box[2] - 4, box[3] - 4)):
        d.point((x, y), fill=WOOD_LIGHT)  # nail heads
    # a dark blue drop shadow, then the letters twice 1px apart: the font's
    # 1px strokes are too thin to read at this size without antialiasing
    d.text((cx + 1, cy + 1), text, font=font, fill=TITLE_BLUE_DARK, anchor="mm")
    d.text((cx, cy), text, font=font, fill=TITLE_BLUE, anchor="mm")
    d.text((cx + 1, cy), text, font=font, fill=TITLE_BLUE, anchor="mm")
    return box


def make_scene():
    img = Image.new("RGB", SCENE_SIZE)
    draw_sky(img)
    draw_clouds(img)
    draw_birds(img)
    draw_mountain(img)
    draw_blossom_tree(img)
    draw_street(img)
    d = ImageDraw.Draw(img)
    # neighbouring houses share walls; later (nearer) roofs overlap earlier ones
    machiya(img, -6, 58, 52, NOREN_INDIGO, None, lantern=True)
    storehouse(img, 176, 207, 68)
    machiya(img, 126, 175, 56, NOREN_GREEN, "茶")
    machiya(img, 59, 125, 46, NOREN_BROWN, "ふみ", window="lattice", lantern=True)
    garden_wall(img, 208, img.width)
    signboard(img, 92, 80, "飛脚")
    tea_bench(d, 128, 156, 124)
    shadow(img, 219, 235, 141)
    paste_grid(img, "postbox.txt", (16, 31), (216, 112))
    plaque = draw_title(img)

    # The program frames this picture and stands the courier bottom right.
    assert plaque[3] <= 166 and abs((plaque[0] + plaque[2]) / 2 - 138) <= 1
    assert plaque[2] < STAGE_BOX[0] and plaque[2] < VISIBLE[0]
    assert img.size == SCENE_SIZE and img.mode == "RGB"
    save(img, "scene.png")

    stage = img.crop(STAGE_BOX)
    assert stage.size == (41, 37)
    save(stage, "stage.png")
    saved = Image.open(OUT / "scene.png").convert("RGB").crop(STAGE_BOX)
    assert saved.tobytes() == Image.open(OUT / "stage.png").convert("RGB").tobytes()


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    make_chara()
    make_frames()
    make_icons()
    make_scene()


if __name__ == "__main__":
    main()
