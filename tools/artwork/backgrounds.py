"""Main-window backgrounds, one painter per skin, all 254 x 514.

Where the window's controls sit decides the composition: the title band (y 0-30) is
dark so the light title and its buttons stand out; the tree and the memo
(x 23-247, y 62-410) rest on a quiet, lighter card; the speed-channel column
(x 0-22) and the two button rows with the search box (y 410-514) get translucent
panels so the skin's text colours stay readable over the picture.
"""
import math
import random

from PIL import Image, ImageFilter

from drawing import (Layer, composite, glow, grain, hex_rgb, horizontal_gradient, mix, path, shadow_of, thick_line,
                     transform, vertical_gradient)

SIZE = (254, 514)
TITLE_HEIGHT = 30


# ---------------------------------------------------------------- shared parts

def title_band(image, left, right, edge, sheen=40, shadow=70):
    """Dark gradient band under the title with a glassy upper half and a bright lower edge."""
    band = horizontal_gradient((SIZE[0], TITLE_HEIGHT), [(0.0, left), (1.0, right)])
    image.paste(band, (0, 0))
    layer = Layer(SIZE)
    for y in range(15):  # glassy light fading out towards the middle of the band
        layer.polygon([(0, y), (SIZE[0], y), (SIZE[0], y + 1), (0, y + 1)],
                      fill=(255, 255, 255, round(sheen * (1 - y / 15) ** 1.5)))
    for i in range(6):  # soft shadow the band casts on the picture below it
        layer.polygon([(0, TITLE_HEIGHT + i), (SIZE[0], TITLE_HEIGHT + i), (SIZE[0], TITLE_HEIGHT + i + 1),
                       (0, TITLE_HEIGHT + i + 1)], fill=(0, 0, 0, round(shadow * (1 - i / 6) ** 2)))
    layer.polygon([(0, TITLE_HEIGHT - 1), (SIZE[0], TITLE_HEIGHT - 1), (SIZE[0], TITLE_HEIGHT),
                   (0, TITLE_HEIGHT)], fill=edge + (200,))
    return composite(image, layer.result())


def panels(image, tint, opacity, rim, rim_opacity, shadow=(0, 0, 0, 24)):
    """Translucent panels behind the speed-channel column, the tree card and the bottom controls.

    The card under the tree is fainter: the tree paints its own background and only
    the card's rim shows around it.
    """
    layer = Layer(SIZE)
    fill = tint + (round(255 * opacity),)
    outline = rim + (round(255 * rim_opacity),)
    layer.rounded((2, 53, 21.5, 509), 5, fill=fill, outline=outline, width=0.8)        # speed channels
    layer.rounded((20, 58, 250.5, 412.5), 6, fill=tint + (round(160 * opacity),), outline=outline,
                  width=0.8)                                                          # tree and memo
    layer.rounded((23.5, 411.5, 250.5, 509), 6, fill=fill, outline=outline, width=0.8)  # lists and buttons
    shade = Layer(SIZE)
    shade.rounded((21, 60, 251.5, 414.5), 6, fill=shadow)
    image = composite(image, shade.result(blur=2.0))
    return composite(image, layer.result())


def info_strip(image, colour, opacity):
    """A faint lighter ribbon behind the information line (y 36-49)."""
    layer = Layer(SIZE)
    layer.rounded((10, 34, 244, 51), 8, fill=colour + (round(255 * opacity),))
    return composite(image, layer.result(blur=1.2))


def bokeh(image, rng, count, colours, area, radii, alpha):
    layer = Layer(SIZE, ss=2)
    for _ in range(count):
        r = rng.uniform(*radii)
        x, y = rng.uniform(area[0], area[2]), rng.uniform(area[1], area[3])
        a = rng.randint(*alpha)
        colour = rng.choice(colours)
        layer.circle((x, y), r, fill=colour + (a,))
        layer.circle((x, y), r * 0.92, outline=(255, 255, 255, min(255, a + 30)), width=0.6)
    return composite(image, layer.result(blur=0.8))


def fill_shape(image, points, colours, opacity=1.0, blur=0.0):
    """Fill a polygon with a vertical gradient (or one colour) spanning the polygon's height."""
    layer = Layer(SIZE)
    layer.polygon(points, fill=(255, 255, 255, round(255 * opacity)))
    mask = layer.result(blur).getchannel("A")
    if isinstance(colours, tuple):
        paint = Image.new("RGB", SIZE, colours)
    else:
        top = min(p[1] for p in points)
        paint = vertical_gradient(SIZE, colours, top=round(top), height=round(SIZE[1] - top))
    out = image.copy()
    out.paste(paint, (0, 0), mask)
    return out


def ridge(rng, base, waves, x0=-10, x1=264, step=2.0):
    """Outline of hills: a wavy top edge at height base, closed along the bottom of the picture."""
    phases = [(amp, period, rng.uniform(0, 2 * math.pi)) for amp, period in waves]
    top = []
    x = x0
    while x <= x1:
        top.append((x, base + sum(a * math.sin(2 * math.pi * x / p + ph) for a, p, ph in phases)))
        x += step
    return top + [(x1, SIZE[1] + 10), (x0, SIZE[1] + 10)]


def leaf(length, width):
    """A lance-shaped leaf pointing up from its stalk at the origin."""
    return path((0, 0), ((width, -length * 0.25), (width * 0.7, -length * 0.75), (0, -length)),
                ((-width * 0.7, -length * 0.75), (-width, -length * 0.25), (0, 0)), steps=12)


# ---------------------------------------------------------------- 浪漫情怀

def petal(length, width):
    """A cherry-blossom petal pointing up from the origin, with the notch at its tip."""
    return path((0, 0),
                ((-width * 0.9, -length * 0.2), (-width, -length * 0.85), (-width * 0.22, -length)),
                ((-width * 0.1, -length * 0.96), (-width * 0.05, -length * 0.9), (0, -length * 0.88)),
                ((width * 0.05, -length * 0.9), (width * 0.1, -length * 0.96), (width * 0.22, -length)),
                ((width, -length * 0.85), (width * 0.9, -length * 0.2), (0, 0)), steps=10)


def blossom(layer, centre, radius, angle, light, deep, alpha=255, stamens=True):
    edge = mix(light, deep, 0.45)
    for k in range(5):
        shape = transform(petal(radius, radius * 0.62), 1.0, angle + 72 * k, centre)
        layer.polygon(shape, fill=light + (alpha,))
        layer.line(shape, fill=edge + (alpha * 2 // 5,), width=max(radius * 0.05, 0.3))
    for k in range(14):  # a blush that deepens towards the heart of the flower
        layer.circle(centre, radius * (0.72 - 0.045 * k), fill=deep + (alpha * (8 + 2 * k) // 255,))
    if stamens:
        for k in range(10):
            a = math.radians(angle + 36 * k + 18)
            tip = (centre[0] + math.sin(a) * radius * 0.42, centre[1] - math.cos(a) * radius * 0.42)
            layer.line([centre, tip], fill=mix(deep, (120, 30, 70), 0.4) + (alpha,), width=max(radius * 0.04, 0.3))
            layer.circle(tip, radius * 0.055, fill=(255, 205, 100, alpha))


def branch(layer, points, width, colour):
    layer.polygon(thick_line(points, lambda t: width * (1.0 - 0.8 * t)), fill=colour)


def heart(size):
    return path((0, size * 0.35),
                ((-size * 0.2, size * 0.15), (-size * 0.55, -size * 0.05), (-size * 0.5, -size * 0.3)),
                ((-size * 0.45, -size * 0.55), (-size * 0.1, -size * 0.55), (0, -size * 0.3)),
                ((size * 0.1, -size * 0.55), (size * 0.45, -size * 0.55), (size * 0.5, -size * 0.3)),
                ((size * 0.55, -size * 0.05), (size * 0.2, size * 0.15), (0, size * 0.35)), steps=10)


def romance(seed):
    rng = random.Random(seed)
    image = vertical_gradient(SIZE, [(0.0, hex_rgb("f7dcea")), (0.45, hex_rgb("efe3fa")),
                                     (0.8, hex_rgb("fbe6ef")), (1.0, hex_rgb("f6d3e2"))])
    glow(image, (20, 90), 150, hex_rgb("ffd0e3"), 0.8)
    glow(image, (250, 250), 170, hex_rgb("dccaf6"), 0.7)
    glow(image, (60, 500), 160, hex_rgb("ffe0d4"), 0.8)

    ribbons = Layer(SIZE)
    for k, (y0, y1, a) in enumerate(((120, 330, 70), (150, 380, 45), (260, 470, 55))):
        pts = path((-10, y0), ((90, y0 - 80 + 20 * k), (170, y1 + 40), (270, y1)), steps=60)
        ribbons.polygon(thick_line(pts, lambda t: 2 + 16 * math.sin(math.pi * t) ** 2), fill=(255, 255, 255, a))
    image = composite(image, ribbons.result(blur=1.5))
    image = bokeh(image, rng, 34, [hex_rgb("ffffff"), hex_rgb("ffc2da"), hex_rgb("e3cffa")], (0, 30, 254, 514),
                  (3, 14), (30, 80))

    hearts = Layer(SIZE)
    for _ in range(9):
        s = rng.uniform(6, 13)
        hearts.polygon(transform(heart(s), 1.0, rng.uniform(-25, 25), (rng.uniform(5, 249), rng.uniform(40, 505))),
                       fill=(255, 150, 190, rng.randint(40, 80)))
    image = composite(image, hearts.result(blur=0.4))

    light, deep = hex_rgb("fff0f6"), hex_rgb("f0609a")
    bark = (104, 52, 72, 240)
    far = Layer(SIZE)  # out-of-focus blossoms behind the branches give the picture depth
    for _ in range(10):
        blossom(far, (rng.uniform(0, 254), rng.uniform(60, 500)), rng.uniform(10, 16), rng.uniform(0, 72),
                light, deep, alpha=110, stamens=False)
    image = composite(image, far.result(blur=2.2))

    flowers = Layer(SIZE)
    # A branch reaching in from the upper right, just below the title band.
    branch(flowers, path((262, 34), ((222, 44), (188, 40), (140, 60)), steps=40), 5.5, bark)
    branch(flowers, path((214, 42), ((204, 58), (192, 66), (176, 76)), steps=20), 3.0, bark)
    branch(flowers, path((176, 46), ((168, 38), (160, 36), (150, 33)), steps=20), 2.2, bark)
    for c, r, a in (((240, 48), 12, 10), ((214, 34), 10, 40), ((186, 52), 11, 5), ((150, 44), 8, 30),
                    ((176, 78), 9.5, 55), ((252, 68), 9, 20), ((142, 62), 7, 12)):
        blossom(flowers, c, r, a, light, deep)
    # A branch rising from the lower left corner behind the controls.
    branch(flowers, path((-10, 522), ((28, 474), (64, 452), (132, 440)), steps=40), 7.0, bark)
    branch(flowers, path((42, 470), ((50, 450), (66, 430), (82, 416)), steps=20), 3.2, bark)
    branch(flowers, path((96, 446), ((110, 456), (122, 466), (136, 470)), steps=20), 2.4, bark)
    for c, r, a in (((16, 490), 12, 15), ((46, 460), 11, 50), ((84, 414), 9.5, 5), ((104, 442), 10.5, 30),
                    ((136, 436), 8, 62), ((70, 440), 8, 12), ((138, 470), 8.5, 40), ((24, 512), 9, 3)):
        blossom(flowers, c, r, a, light, deep)
    for c, r in (((120, 420), 4.5), ((60, 478), 4), ((224, 62), 4.5), ((200, 30), 4)):  # buds
        flowers.circle(c, r, fill=mix(light, deep, 0.55) + (255,))
    for _ in range(22):  # petals drifting down
        flowers.polygon(transform(petal(rng.uniform(5, 8), rng.uniform(3, 4.5)), 1.0, rng.uniform(0, 360),
                                  (rng.uniform(0, 254), rng.uniform(70, 500))),
                        fill=mix(light, deep, 0.2) + (rng.randint(170, 235),))
    sprigs = flowers.result()
    image = composite(image, shadow_of(sprigs, 1.5, (120, 40, 90), 0.35, (1, 1)))
    image = composite(image, sprigs)

    image = title_band(image, hex_rgb("4e1f5e"), hex_rgb("9c3470"), hex_rgb("ffc1dc"))
    blossoms_on_band = Layer(SIZE)
    for c, r in (((188, 15), 11), ((232, 8), 8), ((120, 26), 7), ((60, 4), 9)):
        blossom(blossoms_on_band, c, r, rng.uniform(0, 72), (255, 255, 255), (255, 220, 235), alpha=28)
    image = composite(image, blossoms_on_band.result())
    image = info_strip(image, (255, 255, 255), 0.45)
    image = panels(image, (255, 250, 253), 0.38, (255, 255, 255), 0.9)
    return grain(image, 2.2, seed)


# ---------------------------------------------------------------- 清新自然

def bamboo(layer, x, top, bottom, width, lean, light, dark, rng):
    """A bamboo stalk from bottom to top with darker nodes, leaning by `lean` pixels over its height."""
    y = bottom
    while y > top:
        length = rng.uniform(46, 64)
        y_end = max(top, y - length)
        shift = lambda v: x + lean * (bottom - v) / (bottom - top)
        seg = [(shift(y) - width / 2, y - 1.2), (shift(y) + width / 2, y - 1.2),
               (shift(y_end) + width / 2, y_end + 1.2), (shift(y_end) - width / 2, y_end + 1.2)]
        layer.polygon(seg, fill=light)
        layer.polygon([(shift(y) - width / 2, y - 1.2), (shift(y) - width / 6, y - 1.2),
                       (shift(y_end) - width / 6, y_end + 1.2), (shift(y_end) - width / 2, y_end + 1.2)],
                      fill=dark[:3] + (dark[3] // 3,))
        layer.rounded((shift(y_end) - width / 2 - 0.8, y_end - 1.0, shift(y_end) + width / 2 + 0.8, y_end + 1.4), 1,
                      fill=dark)
        y = y_end


def nature(seed):
    rng = random.Random(seed)
    image = vertical_gradient(SIZE, [(0.0, hex_rgb("eef9f1")), (0.5, hex_rgb("dcf2df")), (1.0, hex_rgb("c4e6be"))])
    glow(image, (30, 40), 220, hex_rgb("fffbe0"), 0.9)
    glow(image, (230, 300), 150, hex_rgb("d6f5ea"), 0.6)

    rays = Layer(SIZE)
    for k in range(5):  # sunbeams falling from the upper left
        a = math.radians(28 + 9 * k)
        spread = math.radians(2.2 + k % 2)
        far = 700
        rays.polygon([(10, 30), (10 + far * math.cos(a - spread), 30 + far * math.sin(a - spread)),
                      (10 + far * math.cos(a + spread), 30 + far * math.sin(a + spread))],
                     fill=(255, 255, 240, 42))
    image = composite(image, rays.result(blur=4))

    ranges = ((388, [(10, 140), (5, 53)], [(0.0, hex_rgb("a9d6b4")), (1.0, hex_rgb("cfe9d3"))]),
              (428, [(9, 170), (4, 61)], [(0.0, hex_rgb("78bf8a")), (1.0, hex_rgb("b3dcba"))]),
              (468, [(8, 120), (3, 40)], [(0.0, hex_rgb("4a9e62")), (1.0, hex_rgb("94cc9e"))]))
    for base, waves, colours in ranges:
        image = fill_shape(image, ridge(rng, base, waves), colours, blur=0.6)
        haze = Layer(SIZE)  # mist rising from the valley in front of each range
        haze.polygon([(-10, base + 18), (264, base + 18), (264, base + 44), (-10, base + 44)], fill=(255, 255, 255, 90))
        image = composite(image, haze.result(blur=12))

    stalks = Layer(SIZE)
    for x, w, lean, shade in ((244, 9, -6, 0), (232, 6.5, 4, 1), (12, 7, 5, 1)):
        light = hex_rgb("7fbf7a") if shade == 0 else hex_rgb("a6d69d")
        dark = hex_rgb("3d7a45") if shade == 0 else hex_rgb("6aa567")
        bamboo(stalks, x, 24, 530, w, lean, light + (235,), dark + (235,), rng)
    image = composite(image, shadow_of(stalks.result(), 2, (40, 90, 50), 0.25, (2, 1)))
    image = composite(image, stalks.result())

    leaves = Layer(SIZE)
    sprays = (((238, 92), 200, 7), ((242, 250), 160, 6), ((226, 400), 205, 6), ((14, 180), 20, 5),
              ((12, 330), -15, 4), ((150, 34), 120, 5))
    for (x, y), heading, count in sprays:
        for k in range(count):
            angle = heading + (k - count / 2) * 22 + rng.uniform(-6, 6)
            length = rng.uniform(22, 34)
            colour = mix(hex_rgb("4f9a52"), hex_rgb("9bd27f"), rng.uniform(0, 1)) + (230,)
            shape = transform(leaf(length, length * 0.14), 1.0, angle, (x, y))
            leaves.polygon(shape, fill=colour)
            tip = transform([(0, -length * 0.9)], 1.0, angle, (x, y))[0]
            leaves.line([(x, y), tip], fill=(255, 255, 255, 70), width=0.35)
    for _ in range(9):  # a few leaves drifting on the breeze
        length = rng.uniform(10, 16)
        leaves.polygon(transform(leaf(length, length * 0.2), 1.0, rng.uniform(0, 360),
                                 (rng.uniform(30, 220), rng.uniform(80, 470))),
                       fill=mix(hex_rgb("6cb56a"), hex_rgb("c4e49a"), rng.uniform(0, 1)) + (200,))
    image = composite(image, shadow_of(leaves.result(), 1.2, (30, 80, 40), 0.3, (1, 1)))
    image = composite(image, leaves.result())
    image = bokeh(image, rng, 18, [hex_rgb("ffffff"), hex_rgb("fdfbd8")], (0, 30, 254, 514), (3, 10), (30, 70))

    image = title_band(image, hex_rgb("17452d"), hex_rgb("2f7a4b"), hex_rgb("b8ecc4"))
    band = Layer(SIZE)
    for x, y, angle in ((176, 30, -60), (196, 32, -40), (216, 30, -20), (60, 30, 50), (74, 34, 30)):
        band.polygon(transform(leaf(26, 4.2), 1.0, angle, (x, y)), fill=(255, 255, 255, 26))
    image = composite(image, band.result())
    image = info_strip(image, (255, 255, 255), 0.5)
    image = panels(image, (255, 255, 255), 0.42, (255, 255, 255), 0.9, shadow=(20, 60, 30, 28))
    return grain(image, 2.2, seed)


# ---------------------------------------------------------------- 秋日暖阳

def maple_leaf(size):
    """Polygons of a five-lobed maple leaf, stem down, about `size` pixels tall; draw them opaque."""
    def lobe(angle, length, half):
        side = [(-half * 0.45, 0), (-half, -0.32 * length), (-half * 1.08, -0.52 * length),
                (-half * 0.62, -0.56 * length), (-half * 0.72, -0.74 * length), (-half * 0.3, -0.78 * length)]
        outline = side + [(0, -length)] + [(-x, y) for x, y in reversed(side)]
        return transform(outline, size * 0.5, angle, (0, 0))

    shapes = [lobe(0, 1.0, 0.28), lobe(58, 0.92, 0.26), lobe(-58, 0.92, 0.26), lobe(122, 0.56, 0.18),
              lobe(-122, 0.56, 0.18)]
    shapes.append([(math.cos(a) * size * 0.17, math.sin(a) * size * 0.17)
                   for a in (i * math.pi / 12 for i in range(24))])
    return [[(x, y + size * 0.1) for x, y in shape] for shape in shapes]


def draw_maple(layer, size, angle, centre, tone, veins=True):
    for shape in maple_leaf(size):
        layer.polygon(transform(shape, 1.0, angle, centre), fill=tone + (255,))
    heart = transform([(0, size * 0.1)], 1.0, angle, centre)[0]
    if veins:
        for a, length in ((0, 0.42), (58, 0.38), (-58, 0.38), (122, 0.22), (-122, 0.22)):
            r = math.radians(a + angle)
            tip = (heart[0] + math.sin(r) * size * length, heart[1] - math.cos(r) * size * length)
            layer.line([heart, tip], fill=mix(tone, (255, 225, 160), 0.45) + (255,), width=max(size * 0.016, 0.3))
    stem = transform([(0, size * 0.1), (size * 0.04, size * 0.42)], 1.0, angle, centre)
    layer.line(stem, fill=mix(tone, (90, 40, 20), 0.45) + (255,), width=max(size * 0.035, 0.5))


def autumn(seed):
    rng = random.Random(seed)
    image = vertical_gradient(SIZE, [(0.0, hex_rgb("fff1d8")), (0.45, hex_rgb("ffe2bb")), (1.0, hex_rgb("f6c28e"))])
    sun = (196, 92)
    glow(image, sun, 220, hex_rgb("fff6d6"), 0.95, power=1.3)
    rays = Layer(SIZE)
    for k in range(16):
        a = math.radians(k * 22.5 + 6)
        spread = math.radians(3.5)
        rays.polygon([sun, (sun[0] + 500 * math.cos(a - spread), sun[1] + 500 * math.sin(a - spread)),
                      (sun[0] + 500 * math.cos(a + spread), sun[1] + 500 * math.sin(a + spread))],
                     fill=(255, 250, 225, 40))
    image = composite(image, rays.result(blur=3))
    glow(image, sun, 90, hex_rgb("ffd98a"), 0.55)
    disc = Layer(SIZE)
    disc.circle(sun, 27, fill=hex_rgb("ffc95a") + (230,))
    disc.circle(sun, 22, fill=hex_rgb("ffe49a") + (240,))
    image = composite(image, disc.result(blur=2.5))
    glow(image, sun, 24, hex_rgb("fff8dc"), 0.9)

    for base, waves, colours in ((396, [(9, 150), (4, 47)], [(0.0, hex_rgb("f3c592")), (1.0, hex_rgb("f6d4ab"))]),
                                 (434, [(10, 180), (4, 60)], [(0.0, hex_rgb("e4a363")), (1.0, hex_rgb("efc08c"))]),
                                 (470, [(7, 130), (3, 42)], [(0.0, hex_rgb("c8773a")), (1.0, hex_rgb("dd9d62"))])):
        outline = ridge(rng, base, waves)
        image = fill_shape(image, outline, colours, blur=0.5)
        trees = Layer(SIZE)
        for _ in range(5):  # round autumn crowns along the ridge
            x = rng.uniform(0, 254)
            y = min(p[1] for p in outline if abs(p[0] - x) < 2)
            r = rng.uniform(5, 9) * (base - 350) / 100
            trees.line([(x, y + 2), (x, y - r)], fill=(110, 60, 30, 200), width=1.2)
            tone = mix(hex_rgb("d94a1e"), hex_rgb("f0a22c"), rng.uniform(0, 1))
            trees.circle((x, y - r * 1.3), r, fill=tone + (225,))
            trees.circle((x - r * 0.3, y - r * 1.6), r * 0.45, fill=mix(tone, (255, 230, 160), 0.4) + (150,))
        image = composite(image, trees.result())
        haze = Layer(SIZE)
        haze.polygon([(-10, base + 14), (264, base + 14), (264, base + 34), (-10, base + 34)], fill=(255, 236, 205, 110))
        image = composite(image, haze.result(blur=7))

    tones = [hex_rgb(t) for t in ("c8321e", "e0561c", "ee8a20", "f2b233", "b52a1a")]

    def fall(layer, count, sizes, area):
        for _ in range(count):
            draw_maple(layer, rng.uniform(*sizes), rng.uniform(-70, 70),
                       (rng.uniform(area[0], area[2]), rng.uniform(area[1], area[3])), rng.choice(tones))

    far = Layer(SIZE)
    fall(far, 10, (14, 22), (0, 60, 254, 500))
    image = composite(image, far.result(blur=1.6), 0.55)
    near = Layer(SIZE)
    fall(near, 9, (17, 26), (0, 40, 254, 510))
    # Leaves gathered in the corners, where the controls leave the picture free.
    for centre, s, angle, tone in (((238, 46), 34, -25, "c8321e"), ((212, 40), 24, 30, "ee8a20"),
                                   ((10, 46), 26, 40, "e0561c"), ((244, 498), 30, -40, "f2b233"),
                                   ((10, 504), 32, 15, "c8321e"), ((30, 516), 22, -30, "ee8a20")):
        draw_maple(near, s, angle, centre, hex_rgb(tone))
    sprays = near.result()
    image = composite(image, shadow_of(sprays, 1.4, (120, 50, 20), 0.35, (1, 1)))
    image = composite(image, sprays, 0.95)

    image = title_band(image, hex_rgb("5a220b"), hex_rgb("a8481a"), hex_rgb("ffd49a"))
    band = Layer(SIZE)
    for centre, s, angle in (((180, 16), 24, -20), ((206, 8), 16, 35), ((66, 22), 18, 10)):
        draw_maple(band, s, angle, centre, (255, 230, 190), veins=False)
    image = composite(image, band.result(), 0.12)
    image = info_strip(image, (255, 252, 240), 0.5)
    image = panels(image, (255, 252, 244), 0.42, (255, 255, 255), 0.85, shadow=(110, 50, 10, 30))
    return grain(image, 2.2, seed)


# ---------------------------------------------------------------- 水墨江南

def peaks(rng, base, shapes, x0=-10, x1=264, step=1.5):
    """Outline of a mountain range: the highest of gaussian peaks (centre, height, width) with a rough edge."""
    top = []
    x = x0
    while x <= x1:
        y = base - max(h * math.exp(-((x - c) / w) ** 2) for c, h, w in shapes)
        top.append((x, y + rng.uniform(-0.6, 0.6)))
        x += step
    return top + [(x1, SIZE[1] + 10), (x0, SIZE[1] + 10)]


def ink_range(image, rng, base, shapes, ink, paper, depth, edge_alpha):
    """A mountain range washed in ink: dark at the ridge, fading into mist below, with a brushed outline."""
    outline = peaks(rng, base, shapes)
    top = min(p[1] for p in outline[:-2])
    fade = [(0.0, ink), (min(1.0, depth / (SIZE[1] - top)), paper), (1.0, paper)]
    image = fill_shape(image, outline, fade, blur=0.4)
    stroke = Layer(SIZE)
    ridge_line = outline[:-2]
    stroke.polygon(thick_line(ridge_line, lambda t: 0.6 + 1.4 * abs(math.sin(t * 9.0))), fill=ink + (edge_alpha,))
    for _ in range(30):  # texture strokes down the slopes
        i = rng.randrange(len(ridge_line))
        x, y = ridge_line[i]
        length = rng.uniform(6, 16)
        stroke.line([(x, y + 1), (x + rng.uniform(-4, 4), y + length)], fill=ink + (edge_alpha // 3,), width=0.6)
    return composite(image, stroke.result(blur=0.3))


def ink(seed):
    rng = random.Random(seed)
    paper = hex_rgb("f5f1e6")
    image = vertical_gradient(SIZE, [(0.0, hex_rgb("f7f4ea")), (1.0, hex_rgb("ebe4d2"))])
    for _ in range(8):  # age spots in the paper
        glow(image, (rng.uniform(0, 254), rng.uniform(0, 514)), rng.uniform(40, 110), hex_rgb("e6dfcb"), 0.5)
    fibres = Layer(SIZE, ss=2)
    for _ in range(260):
        x, y = rng.uniform(0, 254), rng.uniform(0, 514)
        a = rng.uniform(0, math.pi)
        length = rng.uniform(3, 10)
        fibres.line([(x, y), (x + math.cos(a) * length, y + math.sin(a) * length)],
                    fill=(150, 135, 110, rng.randint(12, 30)), width=0.4)
    image = composite(image, fibres.result())

    glow(image, (188, 120), 30, hex_rgb("e7b9a8"), 0.55, power=0.6)  # pale sun in the mist
    image = ink_range(image, rng, 300, [(30, 70, 40), (110, 40, 30), (200, 95, 36), (250, 60, 30)],
                      hex_rgb("c9c6bd"), paper, 90, 60)
    image = ink_range(image, rng, 420, [(-10, 100, 40), (60, 55, 30), (160, 40, 50), (238, 85, 34)],
                      hex_rgb("8f8c84"), paper, 110, 110)
    image = ink_range(image, rng, 520, [(20, 60, 50), (120, 20, 60), (260, 70, 45)],
                      hex_rgb("45433f"), paper, 60, 190)

    details = Layer(SIZE)
    # A fisherman's boat drifting on the lake, in the gap of the lower button row.
    boat = (45, 43, 40, 235)
    hull = path((64, 472), ((70, 479), (90, 479), (97, 471)), steps=16)
    details.polygon(hull + [(90, 474.5), (71, 475)], fill=boat)
    details.polygon(path((75.5, 474.5), ((76, 471), (77.5, 469.5), (80, 469.5)),
                         ((83, 469.5), (85.5, 471.5), (85.5, 474.5)), steps=8), fill=boat)           # the fisherman
    details.polygon([(71.5, 470), (79, 465.6), (80.6, 465.6), (88.5, 470), (80, 469)], fill=boat)  # his straw hat
    details.line([(83, 470), (96, 457)], fill=(45, 43, 40, 210), width=0.5)                     # rod
    details.line([(96, 457), (97.5, 471)], fill=(45, 43, 40, 110), width=0.3)                   # line
    for dy, w in ((5.5, 34), (8, 20)):  # ripples
        details.line([(80.5 - w / 2, 474 + dy), (80.5 + w / 2, 474 + dy)], fill=(80, 78, 72, 80), width=0.5)
    # Birds flying over the water, right of where the information line usually ends.
    for x, y, s in ((214, 39, 4.5), (225, 45, 3.5), (235, 37, 3), (60, 200, 4), (72, 206, 3)):
        details.polygon(thick_line(path((x - s, y - s * 0.2), ((x - s * 0.5, y - s * 0.5), (x - s * 0.2, y - s * 0.3),
                                                               (x, y)),
                                        ((x + s * 0.2, y - s * 0.3), (x + s * 0.5, y - s * 0.6), (x + s, y - s * 0.4)),
                                        steps=8), lambda t: 0.4 + 0.9 * math.sin(math.pi * t)), fill=(40, 38, 36, 190))
    image = composite(image, details.result())

    # Bamboo leaves brushed in from the right edge.
    brush = Layer(SIZE)
    brush.polygon(thick_line(path((262, 30), ((250, 60), (246, 100), (244, 150)), steps=30),
                             lambda t: 3.0 - 1.8 * t), fill=(40, 40, 38, 235))
    for (x, y), angles in (((250, 62), (200, 230, 250)), ((246, 108), (195, 215, 240, 260)), ((244, 150), (205, 228))):
        for a in angles:
            length = rng.uniform(26, 36)
            brush.polygon(transform(leaf(length, length * 0.13), 1.0, a, (x, y)),
                          fill=(30, 30, 28, rng.randint(190, 240)))
    image = composite(image, brush.result(blur=0.25))

    seal = Layer(SIZE)
    seal.rounded((4, 34, 17, 47), 1.5, fill=hex_rgb("b8322a") + (225,))
    seal.rounded((6, 36, 15, 45), 1, outline=paper + (200,), width=0.7)
    seal.line([(8, 38.5), (13, 38.5)], fill=paper + (200,), width=0.8)
    seal.line([(10.5, 38.5), (10.5, 43)], fill=paper + (200,), width=0.8)
    seal.line([(8, 43), (13, 43)], fill=paper + (200,), width=0.8)
    image = composite(image, seal.result())

    image = title_band(image, hex_rgb("1c1c1c"), hex_rgb("3b3a37"), hex_rgb("e9e2cf"), sheen=24)
    streaks = Layer(SIZE)
    for _ in range(14):  # dry-brush texture across the band
        y = rng.uniform(2, 28)
        x = rng.uniform(-40, 200)
        streaks.polygon(thick_line([(x, y), (x + rng.uniform(60, 140), y + rng.uniform(-2, 2))],
                                   lambda t: 2.2 * math.sin(math.pi * t) + 0.2),
                        fill=(255, 255, 255, rng.randint(8, 22)))
    image = composite(image, streaks.result(blur=0.5))
    image = info_strip(image, (255, 255, 255), 0.35)
    image = panels(image, (255, 253, 247), 0.45, (255, 255, 255), 0.8, shadow=(60, 50, 30, 26))
    return grain(image, 2.8, seed)


# ---------------------------------------------------------------- 深邃星空

def sparkle(layer, centre, size, colour):
    """A four-pointed twinkle with a bright core."""
    x, y = centre
    for dx, dy in ((1, 0), (0, 1)):
        layer.polygon([(x - dx * size, y - dy * size), (x + dy * size * 0.12, y + dx * size * 0.12),
                       (x + dx * size, y + dy * size), (x - dy * size * 0.12, y - dx * size * 0.12)],
                      fill=colour + (230,))
    layer.circle(centre, size * 0.22, fill=(255, 255, 255, 255))


def starry(seed):
    rng = random.Random(seed)
    image = vertical_gradient(SIZE, [(0.0, hex_rgb("060a22")), (0.35, hex_rgb("0f1744")),
                                     (0.75, hex_rgb("231a55")), (1.0, hex_rgb("3a2266"))])
    # Nebulae: broad coloured haze along a band running down the picture.
    for centre, radius, colour, strength in (((210, 110), 150, "40309a", 0.7), ((50, 250), 170, "1d6690", 0.6),
                                             ((200, 330), 140, "863486", 0.55), ((90, 430), 160, "30449e", 0.6),
                                             ((235, 470), 110, "9a3e78", 0.5)):
        glow(image, centre, radius, hex_rgb(colour), strength, power=1.5)
    band = Layer(SIZE, ss=2)
    for _ in range(260):  # the milky way: a drift of faint dust
        t = rng.uniform(0, 1)
        cx = 250 - 240 * t + rng.gauss(0, 18)
        cy = 40 + 470 * t + rng.gauss(0, 18)
        band.circle((cx, cy), rng.uniform(2, 7), fill=(200, 210, 255, rng.randint(6, 16)))
    image = composite(image, band.result(blur=3))

    stars = Layer(SIZE, ss=2)
    for _ in range(420):
        t = rng.uniform(0, 1)
        if rng.random() < 0.45:  # crowd the milky way
            x, y = 250 - 240 * t + rng.gauss(0, 22), 40 + 470 * t + rng.gauss(0, 22)
        else:
            x, y = rng.uniform(0, 254), rng.uniform(30, 514)
        r = rng.choice([0.35, 0.45, 0.55, 0.7, 0.9])
        tint = rng.choice([(255, 255, 255), (200, 220, 255), (255, 236, 210), (220, 200, 255)])
        stars.circle((x, y), r, fill=tint + (rng.randint(120, 255),))
    image = composite(image, stars.result())
    bright = Layer(SIZE)
    for centre, size, colour in (((232, 52), 7, (190, 225, 255)), ((150, 40), 4, (255, 240, 210)),
                                 ((14, 120), 5, (210, 220, 255)), ((244, 300), 5, (255, 220, 240)),
                                 ((60, 180), 4, (200, 235, 255)), ((180, 230), 3.5, (255, 255, 255)),
                                 ((10, 400), 4, (200, 220, 255)), ((248, 420), 4.5, (220, 210, 255))):
        sparkle(bright, centre, size, colour)
    glowing = bright.result()
    image = composite(image, glowing.filter(ImageFilter.GaussianBlur(2.5)))
    image = composite(image, glowing)

    # A shooting star at the left end of the strip under the title, clear of the information line.
    meteor = Layer(SIZE)
    meteor.polygon(thick_line([(-4, 32), (30, 48)], lambda t: 0.2 + 1.5 * t), fill=(200, 230, 255, 170))
    meteor.circle((30, 48), 1.2, fill=(255, 255, 255, 255))
    image = composite(image, meteor.result(blur=0.4))

    # A planet rising behind the lower controls, lit from the upper right.
    planet_centre, planet_radius = (150, 690), 245
    rim = Layer(SIZE)
    rim.circle(planet_centre, planet_radius + 4, fill=(90, 200, 255, 120))
    image = composite(image, rim.result(blur=5))
    planet = Layer(SIZE)
    planet.circle(planet_centre, planet_radius, fill=(255, 255, 255, 255))
    body = vertical_gradient(SIZE, [(0.0, hex_rgb("3a3f8f")), (0.25, hex_rgb("1a1d4d")), (1.0, hex_rgb("0b0c26"))],
                             top=planet_centre[1] - planet_radius, height=160)
    glow(body, (220, 440), 120, hex_rgb("5a78c8"), 0.5)
    image.paste(body, (0, 0), planet.result().getchannel("A"))
    bands = Layer(SIZE)
    for k, alpha in enumerate((30, 22, 26, 18)):  # cloud belts following the curve of the planet
        bands.circle(planet_centre, planet_radius - 14 - 16 * k, outline=(150, 170, 255, alpha), width=3.5)
    limb = Layer(SIZE)
    limb.circle(planet_centre, planet_radius - 0.5, outline=(150, 225, 255, 200), width=1.4)
    image = composite(image, bands.result(blur=2.5))
    image = composite(image, limb.result(blur=0.6))

    image = title_band(image, hex_rgb("02040f"), hex_rgb("111a44"), hex_rgb("6fd0ff"), sheen=26, shadow=110)
    band_stars = Layer(SIZE, ss=2)
    for _ in range(40):
        band_stars.circle((rng.uniform(0, 254), rng.uniform(1, 28)), rng.choice([0.35, 0.5, 0.7]),
                          fill=(220, 230, 255, rng.randint(60, 150)))
    image = composite(image, band_stars.result())
    image = info_strip(image, (120, 150, 255), 0.12)
    image = panels(image, (8, 12, 40), 0.45, (140, 180, 255), 0.38, shadow=(0, 0, 0, 60))
    return grain(image, 1.6, seed)
