"""The splash picture: the emblem over sound waves, the program's names and its version."""
import math
import random

from PIL import ImageDraw, ImageFilter

from drawing import Layer, composite, glow, grain, hex_rgb, mix, thick_line, vertical_gradient
import emblem

SIZE = (312, 213)
VERSION = "1.0"


def spaced_text(draw, position, text, font, fill, spacing):
    """Text with extra space between letters, for the Latin name."""
    x, y = position
    for char in text:
        draw.text((x, y), char, font=font, fill=fill, anchor="ls")
        x += draw.textlength(char, font=font) + spacing
    return x - spacing


def spaced_width(draw, text, font, spacing):
    return sum(draw.textlength(c, font=font) for c in text) + spacing * (len(text) - 1)


def splash(font):
    rng = random.Random(7)
    image = vertical_gradient(SIZE, [(0.0, hex_rgb("0a1638")), (0.6, hex_rgb("10305f")), (1.0, hex_rgb("0d2a55"))])
    glow(image, (80, 92), 120, hex_rgb("1f5fa8"), 0.8, power=1.4)
    glow(image, (250, 40), 110, hex_rgb("2a3f8a"), 0.5)

    stars = Layer(SIZE, ss=2)
    for _ in range(70):
        stars.circle((rng.uniform(0, 312), rng.uniform(0, 130)), rng.choice([0.3, 0.4, 0.55]),
                     fill=(210, 225, 255, rng.randint(60, 170)))
    image = composite(image, stars.result())

    # A large, faint kestrel gliding across the upper right as a watermark.
    ghost = Layer(SIZE)
    ghost.polygon(emblem.kestrel(1.5, 24, (250, 70)), fill=(150, 200, 255, 22))
    image = composite(image, ghost.result(blur=0.5))

    # Sound waves sweeping along the bottom edge.
    waves = Layer(SIZE)
    for k in range(7):
        y = 176 + k * 4.5
        amp = 9 - k * 0.8
        phase = 0.5 + k * 0.55
        colour = mix(hex_rgb("7fe3ff"), hex_rgb("2f7fd0"), k / 6)
        pts = emblem.wave_points(-10, 322, y, amp, 1.6, phase, steps=160, taper=False)
        waves.polygon(thick_line(pts, lambda t, k=k: (2.2 - k * 0.22) * (0.3 + 0.7 * math.sin(math.pi * t))),
                      fill=colour + (230 - k * 25,))
    image = composite(image, waves.result(blur=0.8).filter(ImageFilter.GaussianBlur(3)), 0.7)
    image = composite(image, waves.result())
    gold = Layer(SIZE)
    pts = emblem.wave_points(-10, 322, 181, 11, 1.6, 0.1, steps=160, taper=False)
    gold.polygon(thick_line(pts, lambda t: 0.3 + 1.6 * math.sin(math.pi * t) ** 2), fill=emblem.GOLD + (210,))
    image = composite(image, gold.result())

    # The emblem with a soft halo.
    badge_size = 112
    at = (20, 34)
    halo = Layer(SIZE)
    halo.circle((at[0] + badge_size / 2, at[1] + badge_size / 2), badge_size / 2 + 6, fill=(120, 200, 255, 90))
    image = composite(image, halo.result(blur=9))
    badge = emblem.badge(badge_size)
    image = image.convert("RGBA")
    image.alpha_composite(badge, at)
    image = image.convert("RGB")

    # The names and the version.
    text = Layer(SIZE, ss=1)
    draw = ImageDraw.Draw(text.image)
    left = 148
    chinese = font("sans-bold", 35)
    latin = font("latin", 19)
    small = font("sans", 11)
    shadow = Layer(SIZE, ss=1)
    shadow_draw = ImageDraw.Draw(shadow.image)
    shadow_draw.text((left + 1, 82), "鹰波视听", font=chinese, fill=(0, 0, 0, 200), anchor="ls")
    image = composite(image, shadow.result(blur=2))
    draw.text((left, 80), "鹰波视听", font=chinese, fill=(255, 255, 255, 255), anchor="ls")
    name_width = draw.textlength("鹰波视听", font=chinese)
    spacing = (name_width - spaced_width(draw, "Kestrel Wave", latin, 0)) / (len("Kestrel Wave") - 1)
    spaced_text(draw, (left, 108), "Kestrel Wave", latin, emblem.GOLD + (255,), spacing)
    draw.line([(left, 120), (left + name_width, 120)], fill=(127, 227, 255, 110), width=1)
    draw.text((left, 137), f"版本 {VERSION}", font=small, fill=(185, 215, 245, 255), anchor="ls")
    image = composite(image, text.result())

    # A thin light frame inside the window's own bevel.
    frame = Layer(SIZE)
    frame.rounded((1.5, 1.5, SIZE[0] - 1.5, SIZE[1] - 1.5), 3, outline=(150, 200, 255, 60), width=1)
    image = composite(image, frame.result())
    return grain(image, 1.8, 11)
