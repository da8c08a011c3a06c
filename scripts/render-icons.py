#!/usr/bin/env python3
# Renders the application icon src/app/desktop/icons/leakmeter.svg into the PNG sizes
# committed beside it (hicolor theme layout). Run after changing the SVG; needs only
# the librsvg and cairo libraries of a desktop Debian.
import ctypes
import pathlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
ICONS = pathlib.Path(__file__).resolve().parent.parent / "src/app/desktop/icons"


class Rect(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double),
                ("w", ctypes.c_double), ("h", ctypes.c_double)]


rsvg = ctypes.CDLL("librsvg-2.so.2")
cairo = ctypes.CDLL("libcairo.so.2")
rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
rsvg.rsvg_handle_render_document.argtypes = [ctypes.c_void_p, ctypes.c_void_p,
                                             ctypes.POINTER(Rect), ctypes.c_void_p]
cairo.cairo_image_surface_create.restype = ctypes.c_void_p
cairo.cairo_create.restype = ctypes.c_void_p
cairo.cairo_create.argtypes = [ctypes.c_void_p]
cairo.cairo_surface_flush.argtypes = [ctypes.c_void_p]
cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]

handle = rsvg.rsvg_handle_new_from_file(str(ICONS / "leakmeter.svg").encode(), None)
if not handle:
    raise SystemExit("cannot read leakmeter.svg")
for size in SIZES:
    out = ICONS / f"{size}x{size}" / "leakmeter.png"
    out.parent.mkdir(exist_ok=True)
    surface = cairo.cairo_image_surface_create(0, size, size)  # 0: ARGB32
    cr = cairo.cairo_create(surface)
    if not rsvg.rsvg_handle_render_document(handle, cr, ctypes.byref(Rect(0, 0, size, size)),
                                            None):
        raise SystemExit(f"cannot render {size}x{size}")
    cairo.cairo_surface_flush(surface)
    if cairo.cairo_surface_write_to_png(surface, str(out).encode()) != 0:
        raise SystemExit(f"cannot write {out}")
    cairo.cairo_destroy(cr)
    cairo.cairo_surface_destroy(surface)
    print(out)
