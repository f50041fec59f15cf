#!/usr/bin/env python3
"""Draws Kestrel Wave's artwork and writes the skin list the installation ships.

Run from anywhere:  python3 tools/artwork/make_artwork.py [--preview DIR]

Writes under data/: Skins/Skins.ini, one background per skin, splash.jpg and the
icons. Everything is drawn from vector shapes; the only outside inputs are fonts
from Debian packages. The output is deterministic, so rerunning leaves the files
as they are unless the drawing code changed.
"""
import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the repository free of __pycache__

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    sys.exit("make_artwork: Pillow is missing; install the Debian package python3-pil "
             "(or run with /usr/bin/python3, which has it)")

import backgrounds
import emblem
import splash

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DATA = os.path.join(ROOT, "data")

FONT_DIR = "/usr/share/fonts/opentype/noto"
FONTS = {
    "sans": (os.path.join(FONT_DIR, "NotoSansCJK-Regular.ttc"), 2, "fonts-noto-cjk"),
    "sans-bold": (os.path.join(FONT_DIR, "NotoSansCJK-Bold.ttc"), 2, "fonts-noto-cjk"),
    "serif-bold": (os.path.join(FONT_DIR, "NotoSerifCJK-Bold.ttc"), 2, "fonts-noto-cjk"),
    "latin": ("/usr/share/fonts/opentype/urw-base35/URWGothic-Demi.otf", 0, "fonts-urw-base35"),
    "latin-book": ("/usr/share/fonts/opentype/urw-base35/URWGothic-Book.otf", 0, "fonts-urw-base35"),
}


def font(name, size):
    """A font from an installed Debian package; stops with the package to install when it is missing."""
    file, index, package = FONTS[name]
    if not os.path.isfile(file):
        sys.exit(f"make_artwork: font {file} is missing; install the Debian package {package}")
    return ImageFont.truetype(file, size, index=index)


# Each skin: section name, picture (relative to Skins, backslash as stored), background painter,
# and its seven colours as RGB with the number form written to Skins.ini ("dec", "$" or "0x").
COLOUR_KEYS = ("SpeedChannel1.Font.Color", "lblInfo.Font.Color", "tvSelectChannel.Color",
               "tvSelectChannel.Font.Color", "spPlayChannel.Font.Color", "edGoogle.Color", "edGoogle.Font.Color")

SKINS = [
    ("浪漫情怀", "UI0.jpg", backgrounds.romance, 101,
     # The window's own default colours, so this skin and a missing skin list look alike.
     [("008000", "dec"), ("0000ff", "dec"), ("c9e6ae", "dec"), ("850bff", "dec"), ("000080", "$"),
      ("fffbf0", "0x"), ("008000", "dec")]),
    ("清新自然", "Nature\\UI0.jpg", backgrounds.nature, 202,
     [("2e7d32", "$"), ("0b6e4f", "0x"), ("f4fbef", "$"), ("1e5a32", "dec"), ("1b4d2e", "0x"),
      ("ffffff", "dec"), ("2e7d32", "$")]),
    ("秋日暖阳", "Autumn\\UI0.jpg", backgrounds.autumn, 303,
     [("a0430a", "0x"), ("b3261e", "dec"), ("fff7ea", "0x"), ("6b3410", "$"), ("5c2a0b", "dec"),
      ("fffdf6", "$"), ("8a3b12", "0x")]),
    ("水墨江南", "Ink\\UI0.jpg", backgrounds.ink, 404,
     [("8b1a1a", "dec"), ("8b1a1a", "$"), ("f8f6ef", "dec"), ("2b2b2b", "0x"), ("333333", "$"),
      ("ffffff", "0x"), ("333333", "dec")]),
    ("深邃星空", "Starry\\UI0.jpg", backgrounds.starry, 505,
     [("9fd8ff", "$"), ("ffe08a", "0x"), ("161c40", "dec"), ("d4e4ff", "$"), ("e6ecff", "0x"),
      ("1e2552", "dec"), ("bfd7ff", "$")]),
]


def bgr(rgb_hex):
    """The 0x00BBGGRR number of an RRGGBB colour, the layout the window's colours use."""
    r, g, b = (int(rgb_hex[i:i + 2], 16) for i in (0, 2, 4))
    return b << 16 | g << 8 | r


def colour_text(rgb_hex, form):
    value = bgr(rgb_hex)
    return {"dec": str(value), "$": f"${value:06X}", "0x": f"0x{value:06X}"}[form]


def write_skin_list(path):
    lines = []
    for name, picture, _, _, colours in SKINS:
        if lines:
            lines.append("")
        lines.append(f"[{name}]")
        lines.append(f"imgBackground.Picture.LoadFromFile={picture}")
        lines.extend(f"{key}={colour_text(rgb, form)}" for key, (rgb, form) in zip(COLOUR_KEYS, colours))
    # Skins.ini is read as GBK, like every text file of the program; GB18030 writes the same bytes.
    with open(path, "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("gb18030"))


def save_jpeg(image, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    image.save(path, "JPEG", quality=92, subsampling=0, optimize=True)


def save_png(image, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    image.save(path, "PNG", optimize=True)


def make_icons(folder):
    save_png(emblem.badge(256), os.path.join(folder, "kestrelwave.png"))
    for size in (16, 32, 48, 64):
        save_png(emblem.badge(size, small=size <= 32), os.path.join(folder, f"kestrelwave-{size}.png"))
    save_png(emblem.badge(32, small=True), os.path.join(folder, "tray.png"))


def preview(background, colours, path):
    """The background under stand-ins for the window's controls, drawn in the skin's colours."""
    rgb = {key: tuple(int(c[i:i + 2], 16) for i in (0, 2, 4)) for key, (c, _) in zip(COLOUR_KEYS, colours)}
    image = background.copy()
    draw = ImageDraw.Draw(image)
    small, regular = font("sans", 11), font("sans", 12)
    image.paste(emblem.badge(18, small=True), (12, 7), emblem.badge(18, small=True))
    draw.text((116, 15), "鹰波视听", font=font("sans-bold", 13), fill=(255, 255, 255), anchor="mm")
    draw.text((209, 15), "－", font=regular, fill=(255, 255, 255), anchor="mm")
    draw.text((231, 15), "×", font=regular, fill=(255, 255, 255), anchor="mm")
    draw.text((127, 42), "正在播放：中央人民广播电台", font=small, fill=rgb["lblInfo.Font.Color"], anchor="mm")
    for n in range(22):
        draw.text((12, 66 + 18 * n), str(n + 1), font=small, fill=rgb["SpeedChannel1.Font.Color"], anchor="mm")
    draw.text((12, 462), "存", font=small, fill=rgb["SpeedChannel1.Font.Color"], anchor="mm")
    draw.text((12, 480), "开", font=small, fill=rgb["SpeedChannel1.Font.Color"], anchor="mm")
    tree_bg, tree_fg = rgb["tvSelectChannel.Color"], rgb["tvSelectChannel.Font.Color"]
    draw.rectangle((23, 62, 246, 358), fill=tree_bg, outline=(128, 128, 128))
    for i, text in enumerate(["－ 网络电台", "    － 新闻综合", "        中国之声", "        经济之声",
                              "    ＋ 音乐频道", "＋ 电视直播", "＋ 在线影视", "＋ 远程教育", "＋ 精选网站",
                              "＋ 我的收藏"]):
        draw.text((28, 66 + 17 * i), text, font=regular, fill=tree_fg)
    draw.rectangle((23, 362, 246, 409), fill=tree_bg, outline=(128, 128, 128))
    draw.text((27, 365), "中国之声：新闻综合广播，\n全天二十四小时直播。", font=small, fill=tree_fg, spacing=2)
    for left, width in ((21, 57), (80, 83), (165, 83)):
        draw.rectangle((left, 414, left + width - 1, 433), fill=tree_bg, outline=(128, 128, 128))
    for left, text in zip((21, 80, 165), ("★★★", "全部频道", "内容优先分类")):
        draw.text((left + 4, 416), text, font=small, fill=tree_fg)
    button = rgb["spPlayChannel.Font.Color"]
    for left, text in zip((30, 64, 99, 134, 169, 204), ("播放", "收藏", "查找", "网站", "修改", "自添")):
        draw.text((left + 16, 447), text, font=regular, fill=button, anchor="mm")
    for left, text in zip((30, 99, 134, 169, 204), ("音量", "设置", "帮助", "隐藏", "退出")):
        draw.text((left + 16, 471), text, font=regular, fill=button, anchor="mm")
    draw.rectangle((26, 490, 226, 503), fill=rgb["edGoogle.Color"], outline=(128, 128, 128))
    draw.text((29, 490), "网页搜索", font=small, fill=rgb["edGoogle.Font.Color"])
    draw.text((237, 495), "搜", font=small, fill=button, anchor="mm")
    save_png(image.resize((image.width * 2, image.height * 2), Image.LANCZOS), path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", metavar="DIR",
                        help="also write each skin with stand-ins for the window's controls to DIR")
    args = parser.parse_args()
    for name in FONTS:  # fail before writing anything rather than halfway
        font(name, 12)

    skins_dir = os.path.join(DATA, "Skins")
    os.makedirs(skins_dir, exist_ok=True)
    write_skin_list(os.path.join(skins_dir, "Skins.ini"))
    for index, (name, picture, painter, seed, colours) in enumerate(SKINS):
        background = painter(seed)
        save_jpeg(background, os.path.join(skins_dir, *picture.split("\\")))
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            preview(background, colours, os.path.join(args.preview, f"skin{index + 1}.png"))
    save_jpeg(splash.splash(font), os.path.join(DATA, "splash.jpg"))
    make_icons(os.path.join(DATA, "icons"))
    print(f"make_artwork: wrote {len(SKINS)} skins, the splash picture and the icons under {DATA}")


if __name__ == "__main__":
    main()
