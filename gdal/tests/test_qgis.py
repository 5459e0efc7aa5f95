"""The driver in a real, headless QGIS: QGIS asks for update first (and
gets it: the layers can be edited), and nothing may reach its message log, nor GDAL's error
handler (which QGIS's desktop forwards to the log), on the way. The layers
read as the library's tables."""
import os

import pytest
from osgeo import gdal

import library
from conftest import SAMPLE

qgis_core = pytest.importorskip("qgis.core", reason="QGIS's Python bindings (python3-qgis) are not installed")
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")


@pytest.fixture(scope="module")
def message_log():
    application = qgis_core.QgsApplication([], False)
    application.initQgis()
    messages = []
    qgis_core.QgsApplication.messageLog().messageReceived.connect(lambda *message: messages.append(message))
    gdal.PushErrorHandler(lambda *error: messages.append(error))
    yield messages
    gdal.PopErrorHandler()
    # No exitQgis: it would unregister GDAL's drivers for the tests that follow.


def test_every_layer_opens_without_a_message(message_log, spoiled):
    for path in [SAMPLE, spoiled[0]]:
        message_log.clear()
        for name, table in library.read(path)["layers"].items():
            layer = qgis_core.QgsVectorLayer(f"{path}|layername={name}", name, "ogr")
            assert layer.isValid() and layer.featureCount() == len(table["features"]), name
            # Opened for update, as QGIS asks first: the layers can be edited.
            assert int(layer.dataProvider().capabilities()) & int(qgis_core.QgsVectorDataProvider.AddFeatures)
        qgis_core.QgsApplication.processEvents()
        # A chart with non-finite values has its findings told, as warnings: the first ten and their count,
        # once for all its layers, which QGIS reads from one dataset. Nothing else is told.
        assert all(m[0] == gdal.CE_Warning and m[2].startswith(f"Chart14: {path}:") for m in message_log)
        assert len(message_log) == (0 if path == SAMPLE else 11)
