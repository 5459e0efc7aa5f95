#!/usr/bin/python3
"""The time to save a chart after one edit through the GDAL driver's update
mode (SetFeature of one line, then SyncToDisk), against the library reading
the chart and writing it once; each the best of three, on a fresh copy.

    bench/update_save.py CHART PLUGIN_DIR LIBRARY [LAYER]

PLUGIN_DIR holds ogr_Chart14.so, LIBRARY is libreaddata14.so; CHART is, for
the figure in docs/gdal_update.md, `make_chart --seed 7 --size-mb 5`."""
import ctypes
import os
import shutil
import sys
import tempfile
import time


def best_of(runs, action):
    times = []
    for _ in range(runs):
        times.append(action())
    return min(times)


def main(chart, plugin_dir, library_path, layer_name="lines"):
    os.environ["GDAL_DRIVER_PATH"] = plugin_dir
    from osgeo import gdal  # after the plugin's folder is named
    gdal.UseExceptions()
    folder = tempfile.mkdtemp()
    copy = os.path.join(folder, "chart.txt")

    def save():
        shutil.copyfile(chart, copy)
        dataset = gdal.OpenEx(copy, gdal.OF_VECTOR | gdal.OF_UPDATE, allowed_drivers=["Chart14"])
        layer = dataset.GetLayerByName(layer_name)
        feature = layer.GetFeature(0)
        name = "type" if layer_name in ("symbols", "notes") else "code"
        feature[name] = feature[name] + 1
        start = time.perf_counter()
        layer.SetFeature(feature)
        layer.SyncToDisk()
        elapsed = time.perf_counter() - start
        dataset = None
        return elapsed

    library = ctypes.CDLL(library_path)
    library.readdata14_open.argtypes = [ctypes.c_char_p, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p)]
    library.readdata14_write.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p, ctypes.c_void_p]
    library.readdata14_close.argtypes = [ctypes.c_void_p]
    out = os.path.join(folder, "written.txt").encode()

    def read_and_write():
        document = ctypes.c_void_p()
        start = time.perf_counter()
        library.readdata14_open(chart.encode(), None, ctypes.byref(document))
        library.readdata14_write(document, out, None, None)
        elapsed = time.perf_counter() - start
        library.readdata14_close(document)
        return elapsed

    saved = best_of(3, save)
    plain = best_of(3, read_and_write)
    shutil.rmtree(folder)
    print(f"{os.path.getsize(chart) / 1e6:.1f} MB, layer {layer_name}: save after one edit {saved:.3f} s, "
          f"library read + write {plain:.3f} s")


if __name__ == "__main__":
    main(*sys.argv[1:])
