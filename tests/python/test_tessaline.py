"""Tests of the Python module: images decoded back with zxing-cpp, the
reasons of refused input, files, the symbol's report and threads."""
import io
import os
import threading

import pytest
import zxingcpp
from PIL import Image

import tessaline


def decode(data):
    """The zxing-cpp result of an encoded raster image: (format, text)."""
    image = Image.open(io.BytesIO(data))
    image.load()
    result = zxingcpp.read_barcode(image.convert("L"))
    assert result is not None and result.valid, "zxing-cpp reads no barcode"
    return result.format.name, result.text, image


# type, text, format, options, zxing's format, zxing's text
DECODED = [
    ("ean13", "590123412345", "png", {}, "EAN13", "5901234123457"),
    ("1", "4006381333931", "png", {}, "EAN13", "4006381333931"),
    (2, "9638507", "png", {}, "EAN8", "96385074"),
    ("UPC A", "03600029145", "png", {}, "UPCA", "036000291452"),
    ("isbn", "3-16-148410-X", "png", {}, "EAN13", "9783161484100"),
    ("code39", "TESSALINE 39", "png", {}, "Code39", "TESSALINE 39"),
    ("Code 39 Checksum", "ABC", "png", {}, "Code39", "ABCX"),
    ("pzn", "123456", "png", {}, "Code39", "-1234562"),
    ("code93", "CODE 93", "png", {}, "Code93", "CODE 93"),
    ("Code 128", "Hello 123", "png", {}, "Code128", "Hello 123"),
    ("code128", "Grüße", "png", {}, "Code128", "Grüße"),
    ("code128c", "12345678", "png", {}, "Code128", "12345678"),
    ("codabar", "A40156B", "png", {}, "Codabar", "40156"),
    ("Code 25 Interleaved", "12345678", "png", {}, "ITF", "12345678"),
    ("itf14", "1234567890123", "png", {}, "ITF", "12345678901231"),
    ("identcode", "12345678901", "png", {}, "ITF", "123456789016"),
    ("ean14", "1234567890123", "png", {}, "Code128", "0112345678901231"),
    ("sscc18", "10065300555555555", "png", {}, "Code128", "00100653005555555558"),
    ("EAN/UCC 128 AI", "(01)12345678901231(10)ABC", "png", {}, "Code128", "011234567890123110ABC"),
    # the sample text of the type
    ("ean13", None, "png", {}, "EAN13", "1234567890128"),
    # raster formats and options that change the pixels
    ("ean13", "590123412345", "jpg", {"jpeg_quality": 60}, "EAN13", "5901234123457"),
    ("code128", "BMP file", "bmp", {}, "Code128", "BMP file"),
    ("code128", "turned", "png", {"rotate": 90}, "Code128", "turned"),
    ("code128", "upside down", "png", {"rotate": 180}, "Code128", "upside down"),
    ("code39", "SIZED", "png", {"width": 500, "height": 200}, "Code39", "SIZED"),
    ("code39", "MODULE 3", "png", {"module": 3, "bar_height": 20}, "Code39", "MODULE 3"),
    ("code39", "MM", "png", {"module_mm": 0.33, "dpi": 300}, "Code39", "MM"),
    ("code128", "colours", "png", {"foreground": 0x000080, "background": "#FFFFE0"}, "Code128", "colours"),
    ("code128", "no text", "png", {"show_text": False, "bilevel": True, "interlace": True}, "Code128", "no text"),
    ("ean13", "590123412345", "png", {"font": "DejaVu Sans 8 italic", "notch": 0}, "EAN13", "5901234123457"),
    ("code39", "BORDERS", "png", {"border_width": 20, "border_height": 10, "quiet_zones": False}, "Code39",
     "BORDERS"),
    ("itf14", "1234567890123", "png", {"bearer_bars": False}, "ITF", "12345678901231"),
    ("code128", "12345678", "png", {"auto_type": True}, "ITF", "12345678"),
]


@pytest.mark.parametrize("type_, text, fmt, options, zx_format, zx_text", DECODED)
def test_rendered_symbols_decode_back(type_, text, fmt, options, zx_format, zx_text):
    data = tessaline.render(type_, text, fmt, **options)
    got_format, got_text, image = decode(data)
    assert (got_format, got_text) == (zx_format, zx_text)
    symbol = tessaline.Symbol(type_, text, **options)
    assert image.size == (symbol.width, symbol.height)


def test_turned_symbols_swap_width_and_height():
    upright = tessaline.Symbol("code128", "turn", rotate=0)
    turned = tessaline.Symbol("code128", "turn", rotate=90)
    assert (turned.width, turned.height) == (upright.height, upright.width)
    # the bar axis may differ by the pixel the control draws the turned bars further on
    for angle in (180, 270):
        turned = tessaline.Symbol("code128", "turn", rotate=angle)
        across, along = (turned.height, turned.width) if angle == 180 else (turned.width, turned.height)
        assert across == upright.height and abs(along - upright.width) <= 1


# options given two ways draw the same image
SAME = [
    ({"font": "Arial 30 bold"}, {"font_face": "Arial", "font_points": 30, "font_bold": True}),
    ({"font": "Arial 30 bold", "font_points": 8}, {"font_points": 8}),
    ({"foreground": "red", "background": "#FFF"}, {"foreground": 0xFF0000, "background": 0xFFFFFF}),
    ({"foreground": "0,0,128"}, {"foreground": 0x000080}),
    ({"show_text": 0}, {"show_text": False}),
]


@pytest.mark.parametrize("one, other", SAME)
def test_options_given_two_ways(one, other):
    assert tessaline.render("code128", "same", **one) == tessaline.render("code128", "same", **other)
    assert tessaline.render("code128", "same", **one) != tessaline.render("code128", "same", font_italic=True)


def test_the_font_size_sizes_the_image():
    # the text band follows the font: 30 points need a taller image than the default
    assert tessaline.Symbol("code128", "x", font="Arial 30").height > tessaline.Symbol("code128", "x").height


@pytest.mark.parametrize("fmt, head", [
    ("svg", b"<?xml"),
    ("pdf", b"%PDF-"),
    ("eps", b"%!PS-Adobe"),
    (".jpeg", b"\xff\xd8\xff"),
    ("PNG", b"\x89PNG\r\n\x1a\n"),
])
def test_vector_and_named_formats(fmt, head):
    assert tessaline.render("code128", "formats", fmt).startswith(head)


# call, exception, words of its message
REFUSED = [
    (lambda: tessaline.render("no such type"), ValueError, 'unknown type name "no such type" (see tessaline.types())'),
    (lambda: tessaline.render(77), ValueError, "unknown type id 77"),
    (lambda: tessaline.render("ean13", "59012341234X"), ValueError, 'text error: "59012341234X" is not a valid EAN 13'),
    (lambda: tessaline.render("ean13", "5901234123458"), ValueError, "check digit"),
    (lambda: tessaline.render("code39", "lower case ~"), ValueError, "not a valid Code 39 text"),
    (lambda: tessaline.render("ean13", width=30, height=20), ValueError, "size error"),
    (lambda: tessaline.render("ean13", format="gif"), ValueError, 'unknown image format "gif"'),
    (lambda: tessaline.render("ean13", colour=1), ValueError, 'unknown option "colour"'),
    (lambda: tessaline.render("ean13", width=300), ValueError, "a width and a height"),
    (lambda: tessaline.render("ean13", rotate=45), ValueError, "0, 90, 180 or 270"),
    (lambda: tessaline.render("ean13", module=0), ValueError, "module width"),
    (lambda: tessaline.render("ean13", notch=101), ValueError, "notch"),
    (lambda: tessaline.render("ean13", width=2**40, height=10), ValueError, "width is out of range"),
    (lambda: tessaline.render("ean13", foreground=0x1000000), ValueError, "0xRRGGBB"),
    (lambda: tessaline.render("ean13", foreground="#12345"), ValueError, 'not a colour: "#12345"'),
    (lambda: tessaline.render("ean13", font="Arial"), ValueError, "FACE SIZE"),
    (lambda: tessaline.render("ean13", "x" * 5000), ValueError, "5000 bytes"),
    (lambda: tessaline.render(28, "(01)12345678901230"), ValueError, "GS1 error: AI (01)"),
    (lambda: tessaline.Symbol("nothing"), ValueError, "unknown type name"),
    (lambda: tessaline.save("label.gif", "ean13"), ValueError, "cannot tell the image format"),
    (lambda: tessaline.save("/nonexistent-dir/label.png", "ean13"), OSError, "/nonexistent-dir/label.png"),
    (lambda: tessaline.render("ean13", module_mm=float("nan")), ValueError, "module width"),
    (lambda: tessaline.render("ean13", bar_height=float("inf")), ValueError, "bar height"),
    (lambda: tessaline.render("code128", "\ud800"), UnicodeEncodeError, "surrogate"),
    (lambda: tessaline.render("ean13", width="300", height=100), TypeError, "width wants an int"),
    (lambda: tessaline.render("ean13", show_text="no"), TypeError, "show_text wants a bool"),
    (lambda: tessaline.render("ean13", 590123412345), TypeError, "text wants a str"),
    (lambda: tessaline.render(None), TypeError, "type wants"),
]


@pytest.mark.parametrize("call, error, words", REFUSED)
def test_refused_input_raises_with_the_reason(call, error, words):
    with pytest.raises(error) as raised:
        call()
    assert words in str(raised.value)


def test_save_writes_what_render_returns(tmp_path):
    for name in ("label.png", "label.jpg", "label.bmp"):
        path = tmp_path / name
        tessaline.save(path, "code128", "saved", module=3)
        fmt = name.rsplit(".", 1)[1]
        assert path.read_bytes() == tessaline.render("code128", "saved", fmt, module=3)
    # vector files name their parts afresh each time
    for name, head in (("label.svg", b"<?xml"), ("label.pdf", b"%PDF-"), ("label.eps", b"%!PS-Adobe")):
        tessaline.save(tmp_path / name, "code128", "saved")
        assert (tmp_path / name).read_bytes().startswith(head)
    assert decode((tmp_path / "label.png").read_bytes())[:2] == ("Code128", "saved")
    tessaline.save(str(tmp_path / "by-name.png"), 6, "STR PATH")
    assert decode((tmp_path / "by-name.png").read_bytes())[:2] == ("Code39", "STR PATH")


def test_failed_save_leaves_the_file_as_it_was(tmp_path):
    path = tmp_path / "kept.png"
    tessaline.save(path, "ean13", "590123412345")
    before = path.read_bytes()
    for bad in ({"text": "5901234123450"}, {"text": "590123412345", "width": 20, "height": 20}):
        with pytest.raises(ValueError):
            tessaline.save(path, "ean13", **bad)
        assert path.read_bytes() == before
    assert sorted(os.listdir(tmp_path)) == ["kept.png"]


# type, text, options, attributes
REPORTS = [
    ("ean13", "590123412345", {}, {"type": 1, "type_name": "EAN 13", "text": "590123412345", "valid": True,
                                   "checksum": 7, "size_ok": True, "reason": "", "modules": 95}),
    ("ean8", "9638507", {}, {"type": 2, "checksum": 4, "modules": 67}),
    ("code128", "Tessaline", {}, {"type": 14, "checksum": -1, "valid": True}),
    ("code39", "ABC", {"module": 3}, {"module_pixels": 3}),
    ("itf14", "1234567890123", {}, {"type_name": "ITF 14", "checksum": 1}),
    ("ean13", "59012341234", {}, {"valid": False, "checksum": -2, "size_ok": False}),
    ("ean13", "5901234123458", {}, {"valid": False, "checksum": 7}),
    ("ean13", None, {"width": 400, "height": 200}, {"text": "123456789012", "width": 400, "height": 200}),
    ("ean13", "590123412345", {"width": 30, "height": 20}, {"valid": True, "size_ok": False}),
    (28, "(01)12345678901231(10)ABC", {}, {"gs1": True, "gs1_valid": True, "gs1_errors": []}),
    (28, "(01)12345678901230", {}, {"valid": True, "size_ok": False, "gs1_valid": False,
                                    "reason": "GS1 error: AI (01): check digit should be 1, not 0"}),
    (28, "(01)12345678901230", {"gs1_check": False},
     {"gs1_valid": False, "gs1_errors": ["AI (01): check digit should be 1, not 0"], "size_ok": True}),
    ("code128", "12345678", {"auto_type": True}, {"type": 7}),
]


@pytest.mark.parametrize("type_, text, options, expected", REPORTS)
def test_symbol_reports(type_, text, options, expected):
    symbol = tessaline.Symbol(type_, text, **options)
    assert {name: getattr(symbol, name) for name in expected} == expected
    if symbol.valid and symbol.size_ok and symbol.type in (1, 2, 6, 14):
        assert sum(symbol.runs) == symbol.modules and len(symbol.runs) % 2 == 1
    if not symbol.valid or not symbol.size_ok:
        assert symbol.reason != "" and symbol.reason in repr(symbol)


def test_symbol_reasons_and_runs():
    bad = tessaline.Symbol("ean13", "5901234123458")
    assert bad.reason.startswith('text error: "5901234123458" is not a valid EAN 13 text')
    assert "invalid" in repr(bad) and bad.reason in repr(bad)
    assert tessaline.Symbol("ean13", "590123412345", width=30, height=20).reason.startswith("size error")
    # EAN 13: start guard 1-1-1, the first digit's left half, ... stop guard 1-1-1.
    runs = tessaline.Symbol("ean13", "590123412345").runs
    assert runs[:3] == [1, 1, 1] and runs[-3:] == [1, 1, 1] and len(runs) == 59
    assert '"checksum":7' in tessaline.Symbol("ean13", "590123412345").to_json()


def test_symbol_renders_itself_for_notebooks():
    symbol = tessaline.Symbol("code128", "notebook", module=1)
    assert symbol.png() == tessaline.render("code128", "notebook", module=1)
    assert symbol._repr_png_() == symbol.png()
    svg = symbol._repr_svg_()
    assert isinstance(svg, str) and "<svg" in svg and f'viewBox="0 0 {symbol.width * 0.75:g} {symbol.height * 0.75:g}"' in svg  # points at 96 dpi
    assert symbol.svg().startswith('<?xml version="1.0" encoding="UTF-8"?>')
    assert symbol.render("pdf").startswith(b"%PDF-")
    assert repr(symbol).startswith("<tessaline.Symbol Code 128 'notebook' valid")
    bad = tessaline.Symbol("ean13", "1")
    assert bad._repr_svg_() is None and bad._repr_png_() is None
    with pytest.raises(ValueError, match="text error"):
        bad.png()


def test_types_and_version():
    types = tessaline.types()
    assert len(types) >= 33
    assert {"id": 1, "name": "EAN 13", "sample_text": "123456789012", "group": "EAN/UPC"} in types
    for entry in types:
        assert set(entry) == {"id", "name", "sample_text", "group"}
        # every type is one its name selects
        assert tessaline.Symbol(entry["name"], entry["sample_text"]).type == entry["id"]
    assert tessaline.__version__.count(".") == 2


def test_threads_render_at_the_same_time():
    texts = [f"thread {n:03}" for n in range(24)]
    expected = {text: tessaline.render("code128", text) for text in texts}
    results, errors = {}, []
    start = threading.Barrier(4)

    def work(part):
        try:
            start.wait()
            for text in part:
                results[text] = tessaline.render("code128", text)
        except Exception as error:  # reported below, not lost in the thread
            errors.append(error)

    threads = [threading.Thread(target=work, args=(texts[i::4],)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == [] and results == expected
    assert decode(results["thread 007"])[:2] == ("Code128", "thread 007")
