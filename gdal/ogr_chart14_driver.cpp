// The driver's registration.
//
// GDAL loads ogr_Chart14.so from GDAL_DRIVER_PATH or its plugin folder and
// calls RegisterOGRChart14 (the name it derives from the file name);
// GDALRegister_Chart14 is the same call under the name drivers usually have.
#include "ogr_chart14.hpp"

namespace readdata14::ogr {
namespace {

constexpr const char* OPEN_OPTIONS =
    "<OpenOptionList>"
    "  <Option name='ENCODING' type='string' description='Encoding of the texts (symbols, notes, description): any "
    "iconv name, e.g. CP1252. Without it, valid UTF-8 passes and other bytes are written as \\xNN'/>"
    "  <Option name='SRS' type='string' description='Spatial reference of the chart coordinates (anything "
    "OGRSpatialReference::SetFromUserInput takes: EPSG:4326, WKT, PROJ string). None by default'/>"
    "</OpenOptionList>";

}  // namespace
}  // namespace readdata14::ogr

extern "C" __attribute__((visibility("default"))) void GDALRegister_Chart14() {
    if (!GDAL_CHECK_VERSION("Chart14")) return;
    if (GDALGetDriverByName("Chart14") != nullptr) return;
    auto* driver = new GDALDriver();
    driver->SetDescription("Chart14");
    driver->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
    driver->SetMetadataItem(GDAL_DCAP_MULTIPLE_VECTOR_LAYERS, "YES");
    driver->SetMetadataItem(GDAL_DCAP_VIRTUALIO, "YES");
    driver->SetMetadataItem(GDAL_DMD_LONGNAME, "Type-14 weather chart (readdata14)");
    // For file dialogs only: charts are identified by content (see
    // ogr_chart14_identify.cpp).
    driver->SetMetadataItem(GDAL_DMD_EXTENSIONS, "txt");
    driver->SetMetadataItem(GDAL_DMD_OPENOPTIONLIST, readdata14::ogr::OPEN_OPTIONS);
    driver->pfnIdentify = readdata14::ogr::Chart14Dataset::Identify;
    driver->pfnOpen = readdata14::ogr::Chart14Dataset::Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}

extern "C" __attribute__((visibility("default"))) void RegisterOGRChart14() { GDALRegister_Chart14(); }
