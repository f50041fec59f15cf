"""The Kestrel Wave emblem: a kestrel gliding over sound waves inside a round badge."""
import math

from PIL import Image, ImageChops, ImageDraw

from drawing import Layer, hex_rgb, path, radial_mask, shadow_of, thick_line, transform

NAVY = hex_rgb("0f2a5c")
AZURE = hex_rgb("1f7fc4")
CYAN = hex_rgb("7fe3ff")
GOLD = hex_rgb("ffc24a")
RUST = hex_rgb("f2702a")
DARK_RUST = hex_rgb("7e2c0e")


def kestrel_outline():
    """Right half mirrored into a whole kestrel seen from above, head up, about 100 units long."""
    right = path((0, -41),
                 ((3.5, -40.5), (5.5, -35), (5, -29)),     # head
                 ((5.5, -26), (6, -24), (6.5, -22)),       # neck to shoulder
                 ((16, -26), (26, -22), (32, -16.5)),      # leading edge to the wrist
                 ((42, -10), (53, -1), (64, 9)),           # outer hand to the pointed wing tip
                 ((49, 2.5), (37, 0), (27, 2)),            # trailing edge, outer
                 ((19, 3.5), (12, 7), (7.5, 8)),           # trailing edge, inner
                 ((6, 17), (8.5, 32), (10, 42)),           # tail side, widening to a fan
                 ((6.5, 44.5), (3, 44), (0, 43.5)),        # tail end
                 steps=16)
    left = [(-x, y) for x, y in reversed(right[1:-1])]
    return right + left


def kestrel(scale, angle, centre):
    return transform(kestrel_outline(), scale, angle, centre)


def wave_points(x0, x1, y, amplitude, periods, phase, steps=90, taper=True):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        env = math.sin(math.pi * t) if taper else 1.0
        pts.append((x0 + (x1 - x0) * t, y + amplitude * env * math.sin(2 * math.pi * periods * t + phase)))
    return pts


def _circle_mask(size, ss, inset=0.0):
    mask = Image.new("L", (size * ss, size * ss), 0)
    r = size * ss * (0.5 - inset)
    c = size * ss / 2
    ImageDraw.Draw(mask).ellipse((c - r, c - r, c + r, c + r), fill=255)
    return mask.resize((size, size), Image.LANCZOS)


def _clip(image, mask):
    alpha = ImageChops.multiply(image.getchannel("A"), mask)
    out = image.copy()
    out.putalpha(alpha)
    return out


def badge(size, small=False):
    """RGBA emblem of size x size pixels; small drops fine detail that would turn to mush below 48 px."""
    ss = 8 if size < 64 else 4
    u = size / 100.0  # emblem units to pixels
    margin = 0.0 if small else 0.02
    disc_mask = _circle_mask(size, ss, margin)

    # Disc: deep navy at the rim, azure towards the upper left, where the light comes from.
    disc = Image.new("RGB", (size, size), NAVY)
    spot = radial_mask((size, size), (size * 0.36, size * 0.30), size * 0.75, power=1.2)
    disc.paste(Image.new("RGB", (size, size), AZURE), (0, 0), spot)
    disc = disc.convert("RGBA")
    disc.putalpha(disc_mask)

    # Sound waves across the lower half, clipped to the disc.
    waves = Layer((size, size), ss)
    if small:
        waves.polygon(transform(thick_line(wave_points(8, 92, 72, 7, 1.5, 0.3, taper=False), 9), u),
                      fill=CYAN + (255,))
    else:
        for y, amp, per, ph, w, col in ((64, 6, 1.5, 0.4, 3.2, CYAN + (150,)),
                                        (73, 8, 1.5, 0.9, 5.0, CYAN + (235,)),
                                        (83, 6, 1.5, 1.5, 3.2, CYAN + (130,))):
            taper = lambda t, w=w: w * (0.35 + 0.65 * math.sin(math.pi * t))
            waves.polygon(transform(thick_line(wave_points(0, 100, y, amp, per, ph, taper=False), taper), u),
                          fill=col)
    disc = Image.alpha_composite(disc, _clip(waves.result(), disc_mask))

    # Glass sheen on the upper half of the disc.
    if not small:
        sheen = Layer((size, size), ss)
        sheen.ellipse((14 * u, 5 * u, 86 * u, 52 * u), fill=(255, 255, 255, 40))
        disc = Image.alpha_composite(disc, _clip(sheen.result(blur=size / 60), disc_mask))

    # The kestrel, gold to rust, tilted into a climb to the upper right.
    bird_scale, bird_angle, bird_at = (0.78, 22, (51, 42)) if small else (0.70, 22, (52, 40))
    shape = Layer((size, size), ss)
    shape.polygon(kestrel(bird_scale * u, bird_angle, (bird_at[0] * u, bird_at[1] * u)), fill=(255, 255, 255, 255))
    bird_mask = shape.result().getchannel("A")
    bird = Image.new("RGBA", (size, size), RUST + (0,))
    light = radial_mask((size, size), (size * 0.62, size * 0.22), size * 0.55, power=1.0)
    bird.paste(Image.new("RGBA", (size, size), GOLD + (0,)), (0, 0), light)
    if not small:
        # Darker primaries at both wing tips, as a kestrel's wings have.
        tips = Layer((size, size), ss)
        for side in (False, True):
            tips.polygon(transform([(42, -40), (80, -40), (80, 30), (42, 30)], bird_scale * u, bird_angle,
                                   (bird_at[0] * u, bird_at[1] * u), flip_x=side), fill=(255, 255, 255, 255))
        tip_mask = ImageChops.multiply(tips.result(blur=size / 90).getchannel("A"), bird_mask)
        bird.paste(Image.new("RGBA", (size, size), DARK_RUST + (0,)), (0, 0), tip_mask)
    bird.putalpha(bird_mask)
    if not small:
        disc = Image.alpha_composite(disc, shadow_of(bird, size / 50, NAVY, 0.7, (round(size / 80), round(size / 60))))
    disc = Image.alpha_composite(disc, bird)

    # A thin bright rim keeps the badge crisp on dark and light panels alike.
    rim = Layer((size, size), ss)
    inset = (margin * 100 + (2.2 if small else 1.0)) * u
    rim.ellipse((inset, inset, size - inset, size - inset), outline=(255, 255, 255, 170 if small else 120),
                width=max(u * (3.5 if small else 1.6), 0.6))
    disc = Image.alpha_composite(disc, rim.result())
    return disc
