"""Small drawing helpers on top of Pillow: gradients, glows, curves and layers.

Shapes are drawn on supersampled layers and scaled down with a Lanczos filter,
which gives the soft, anti-aliased edges Pillow's own drawing lacks.
"""
import math
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter


def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def ramp(stops, t):
    """Colour at position t (0..1) of a gradient given as [(position, colour), ...]."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 1.0)
    return stops[-1][1]


def vertical_gradient(size, stops, top=0, height=None):
    """RGB image whose rows follow the gradient between rows top and top + height."""
    width, full = size
    height = height or full
    column = Image.new("RGB", (1, full))
    column.putdata([ramp(stops, min(max((y - top) / max(height - 1, 1), 0.0), 1.0)) for y in range(full)])
    return column.resize(size, Image.NEAREST)


def horizontal_gradient(size, stops):
    width, height = size
    row = Image.new("RGB", (width, 1))
    row.putdata([ramp(stops, x / max(width - 1, 1)) for x in range(width)])
    return row.resize(size, Image.NEAREST)


def radial_mask(size, center, radius, power=1.6, scale=(1.0, 1.0)):
    """L mask falling from 255 at center to 0 at radius; power shapes the falloff."""
    base = Image.radial_gradient("L")  # 256 x 256: 0 in the middle, 181 at radius 128, 255 in the corners
    lut = [round(255 * max(0.0, 1.0 - min(v / 181.0, 1.0)) ** power) for v in range(256)]
    base = base.point(lut)
    w = max(1, round(2 * radius * scale[0]))
    h = max(1, round(2 * radius * scale[1]))
    spot = base.resize((w, h), Image.BILINEAR)
    mask = Image.new("L", size, 0)
    mask.paste(spot, (round(center[0] - w / 2), round(center[1] - h / 2)))
    return mask


def glow(image, center, radius, colour, strength=1.0, power=1.6, scale=(1.0, 1.0)):
    """Blend a soft radial spot of colour into an RGB image."""
    mask = radial_mask(image.size, center, radius, power, scale)
    if strength < 1.0:
        mask = mask.point(lambda v: round(v * strength))
    image.paste(Image.new("RGB", image.size, colour), (0, 0), mask)


def cubic(p0, p1, p2, p3, steps=24):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        pts.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                    u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return pts


def path(start, *segments, steps=24):
    """Polyline through cubic segments, each given as (control1, control2, end)."""
    pts = [start]
    current = start
    for c1, c2, end in segments:
        pts.extend(cubic(current, c1, c2, end, steps)[1:])
        current = end
    return pts


def transform(points, scale=1.0, angle=0.0, offset=(0.0, 0.0), flip_x=False):
    """Scale, rotate (degrees, clockwise on screen) and move a list of points."""
    a = math.radians(angle)
    ca, sa = math.cos(a), math.sin(a)
    out = []
    for x, y in points:
        if flip_x:
            x = -x
        x, y = x * scale, y * scale
        out.append((x * ca - y * sa + offset[0], x * sa + y * ca + offset[1]))
    return out


def thick_line(points, width):
    """Polygon around a polyline; width is a number or a function of the position 0..1, for tapered strokes."""
    left, right = [], []
    n = len(points)
    for i, (x, y) in enumerate(points):
        x0, y0 = points[max(i - 1, 0)]
        x1, y1 = points[min(i + 1, n - 1)]
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1.0
        w = width(i / (n - 1)) if callable(width) else width
        nx, ny = -dy / length * w / 2, dx / length * w / 2
        left.append((x + nx, y + ny))
        right.append((x - nx, y - ny))
    return left + right[::-1]


class Layer:
    """RGBA layer drawn at `ss` times the target size and reduced on composite.

    Pillow's drawing replaces pixels instead of blending them, so a translucent shape
    is drawn on a scratch tile and composited over what the layer already holds.
    """

    def __init__(self, size, ss=4):
        self.size = size
        self.ss = ss
        self.image = Image.new("RGBA", (size[0] * ss, size[1] * ss), (0, 0, 0, 0))

    def _paint(self, bounds, colours, draw):
        """Run draw(ImageDraw, dx, dy) over the part of the layer inside bounds (layer pixels)."""
        x0, y0 = max(0, math.floor(bounds[0])), max(0, math.floor(bounds[1]))
        x1, y1 = min(self.image.width, math.ceil(bounds[2]) + 1), min(self.image.height, math.ceil(bounds[3]) + 1)
        if x0 >= x1 or y0 >= y1:
            return
        if all(c is None or len(c) == 3 or c[3] == 255 for c in colours):
            draw(ImageDraw.Draw(self.image), 0, 0)
            return
        tile = Image.new("RGBA", (x1 - x0, y1 - y0), (0, 0, 0, 0))
        draw(ImageDraw.Draw(tile), -x0, -y0)
        self.image.alpha_composite(tile, (x0, y0))

    def _pts(self, points):
        return [(x * self.ss, y * self.ss) for x, y in points]

    @staticmethod
    def _bounds(points, margin=0.0):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        return min(xs) - margin, min(ys) - margin, max(xs) + margin, max(ys) + margin

    def polygon(self, points, fill):
        pts = self._pts(points)
        self._paint(self._bounds(pts), [fill],
                    lambda d, dx, dy: d.polygon([(x + dx, y + dy) for x, y in pts], fill=fill))

    def line(self, points, fill, width=1.0):
        pts = self._pts(points)
        w = max(1, round(width * self.ss))
        self._paint(self._bounds(pts, w), [fill],
                    lambda d, dx, dy: d.line([(x + dx, y + dy) for x, y in pts], fill=fill, width=w, joint="curve"))

    def ellipse(self, box, fill=None, outline=None, width=1):
        b = [v * self.ss for v in box]
        w = round(width * self.ss)
        self._paint(b, [fill, outline], lambda d, dx, dy: d.ellipse((b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy),
                                                                    fill=fill, outline=outline, width=w))

    def circle(self, center, radius, fill=None, outline=None, width=1):
        self.ellipse((center[0] - radius, center[1] - radius, center[0] + radius, center[1] + radius),
                     fill, outline, width)

    def rounded(self, box, radius, fill=None, outline=None, width=1):
        b = [v * self.ss for v in box]
        w = round(width * self.ss)
        self._paint(b, [fill, outline],
                    lambda d, dx, dy: d.rounded_rectangle((b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy),
                                                          radius=radius * self.ss, fill=fill, outline=outline,
                                                          width=w))

    def result(self, blur=0.0):
        out = self.image.resize(self.size, Image.LANCZOS)
        if blur:
            out = out.filter(ImageFilter.GaussianBlur(blur))
        return out


def composite(base, layer_image, opacity=1.0):
    """Alpha-composite an RGBA image over an RGB or RGBA base, returning the base's mode."""
    if opacity < 1.0:
        alpha = layer_image.getchannel("A").point(lambda v: round(v * opacity))
        layer_image = layer_image.copy()
        layer_image.putalpha(alpha)
    mode = base.mode
    out = Image.alpha_composite(base.convert("RGBA"), layer_image)
    return out.convert(mode) if mode != "RGBA" else out


def shadow_of(layer_image, radius, colour=(0, 0, 0), opacity=0.5, offset=(0, 0)):
    """Blurred, tinted copy of an RGBA image's alpha, to drop under it."""
    alpha = layer_image.getchannel("A").point(lambda v: round(v * opacity))
    shade = Image.new("RGBA", layer_image.size, colour + (0,))
    shade.putalpha(alpha)
    shade = ImageChops.offset(shade, *offset)
    return shade.filter(ImageFilter.GaussianBlur(radius))


def grain(image, amount, seed):
    """Fine monochrome noise so wide gradients do not band after JPEG coding."""
    rng = random.Random(seed)
    noise = Image.new("L", image.size)
    noise.putdata([128 + round(rng.gauss(0, amount)) for _ in range(image.size[0] * image.size[1])])
    return ImageChops.overlay(image, noise.convert("RGB"))
