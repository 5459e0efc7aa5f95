"""What the plugin's tests share: a headless QGIS, the plugin as its zip
installs it, the charts, and the library's own answers (its C API) to
compare with.

CTest names the build's pieces: GDAL_DRIVER_PATH (the driver's folder),
READDATA14_LIBRARY, CHART14, MAKE_CHART, SOURCE_DIR, ARTIFACTS (where the
pictures are kept), CPL_LOG (the file GDAL writes its messages to)."""

from __future__ import annotations

import ctypes
import os
import subprocess
import sys
import zipfile
from pathlib import Path
from typing import Dict, List

import pytest

SOURCE = Path(os.environ["SOURCE_DIR"])
SAMPLE = SOURCE / "examples" / "sample_chart.txt"
ARTIFACTS = Path(os.environ["ARTIFACTS"])
GDAL_LOG = Path(os.environ["CPL_LOG"])
# make_chart's arguments of the generated charts: a default one, and one of
# many contours and long fronts.
GENERATED = {"generated": ["--seed", "1"], "generated_many": ["--seed", "4", "--contours", "40", "--points", "40"]}


# ---- the library, through its C API ------------------------------------------

class _FieldDefinition(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("type", ctypes.c_int32), ("nullable", ctypes.c_int32),
                ("description", ctypes.c_char_p)]


class _LayerDefinition(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("geometryType", ctypes.c_int32), ("fieldCount", ctypes.c_uint32),
                ("fields", ctypes.POINTER(_FieldDefinition)), ("description", ctypes.c_char_p)]


class _Layer(ctypes.Structure):  # the head of readdata14_layer: what the tests read
    _fields_ = [("size", ctypes.c_size_t), ("id", ctypes.c_uint32), ("present", ctypes.c_int32),
                ("definition", ctypes.POINTER(_LayerDefinition)), ("featureCount", ctypes.c_uint64)]


class Library:
    def __init__(self, path: str):
        self.lib = lib = ctypes.CDLL(path)
        lib.readdata14_layer_count.restype = ctypes.c_uint32
        lib.readdata14_layer_definition_at.restype = ctypes.POINTER(_LayerDefinition)
        lib.readdata14_layer_definition_at.argtypes = [ctypes.c_uint32]
        lib.readdata14_open.argtypes = [ctypes.c_char_p, ctypes.c_void_p, ctypes.POINTER(ctypes.c_void_p)]
        lib.readdata14_close.argtypes = [ctypes.c_void_p]
        lib.readdata14_document_layer.restype = ctypes.POINTER(_Layer)
        lib.readdata14_document_layer.argtypes = [ctypes.c_void_p, ctypes.c_uint32]

    def schema(self) -> Dict[str, List[str]]:
        """{layer: [field names]} of the layer model."""
        schema = {}
        for i in range(self.lib.readdata14_layer_count()):
            d = self.lib.readdata14_layer_definition_at(i).contents
            schema[d.name.decode()] = [d.fields[k].name.decode() for k in range(d.fieldCount)]
        return schema

    def feature_counts(self, path: Path) -> Dict[str, int]:
        document = ctypes.c_void_p()
        status = self.lib.readdata14_open(str(path).encode(), None, ctypes.byref(document))
        try:
            assert status == 0, f"{path}: readdata14_open gave {status}"
            counts = {}
            for i in range(self.lib.readdata14_layer_count()):
                layer = self.lib.readdata14_document_layer(document, i).contents
                counts[layer.definition.contents.name.decode()] = layer.featureCount
            return counts
        finally:
            self.lib.readdata14_close(document)


@pytest.fixture(scope="session")
def library() -> Library:
    return Library(os.environ["READDATA14_LIBRARY"])


# ---- QGIS and the plugin -----------------------------------------------------

class Log:
    """Every message QGIS logs and every line GDAL writes, from the start of the session."""

    def __init__(self):
        self.messages: List[tuple] = []
        self.gdal_read = 0  # bytes of GDAL's log already taken: GDAL keeps appending to it

    def take(self, app) -> List[str]:
        """The messages of warning level or worse, and GDAL's lines, since the last take."""
        app.processEvents()  # messages logged from other threads arrive through the event loop
        from qgis.core import Qgis
        found = [f"{tag}: {text}" for tag, level, text in self.messages if level >= Qgis.Warning]
        self.messages.clear()
        if GDAL_LOG.exists():
            with open(GDAL_LOG, "rb") as f:
                f.seek(self.gdal_read)
                written = f.read()
            self.gdal_read += len(written)
            found += [line for line in written.decode(errors="replace").splitlines() if line.strip()]
        return found


@pytest.fixture(scope="session")
def qgis(tmp_path_factory):
    from qgis.core import QgsApplication
    profile = tmp_path_factory.mktemp("profile")
    app = QgsApplication([], False, str(profile))
    app.initQgis()
    log = Log()
    QgsApplication.messageLog().messageReceived.connect(
        lambda text, tag, level: log.messages.append((tag, int(level), text)))
    app.log = log
    log.take(app)  # what starting QGIS said is not the plugin's
    yield app


@pytest.fixture(scope="session")
def plugin_zip(tmp_path_factory) -> Path:
    """The plugin zipped by the project's script, as users get it for "Install from ZIP"."""
    archive = tmp_path_factory.mktemp("zip") / "weather_chart.zip"
    subprocess.run(["bash", str(SOURCE / "scripts" / "zip-qgis-plugin.sh"), str(archive)], check=True,
                   capture_output=True)
    return archive


@pytest.fixture(scope="session")
def plugin(qgis, plugin_zip, tmp_path_factory):
    """The plugin as "Install from ZIP" puts it into a profile's plugin folder, imported from there."""
    folder = tmp_path_factory.mktemp("plugins")
    with zipfile.ZipFile(plugin_zip) as z:
        z.extractall(folder)
    sys.path.insert(0, str(folder))
    import weather_chart
    assert Path(weather_chart.__file__).parent == folder / "weather_chart"
    return weather_chart


@pytest.fixture(scope="session")
def charts(tmp_path_factory) -> Dict[str, Path]:
    """The sample and the generated charts, by name."""
    folder = tmp_path_factory.mktemp("charts")
    found = {"sample_chart": SAMPLE}
    for name, args in GENERATED.items():
        found[name] = folder / f"{name}.txt"
        subprocess.run([os.environ["MAKE_CHART"], *args, "-o", str(found[name])], check=True)
    return found
