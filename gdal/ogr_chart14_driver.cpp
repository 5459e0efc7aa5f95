// The driver's registration, with the options that reading and writing
// take (docs/gdal.md says more).
//
// GDAL loads ogr_Chart14.so from GDAL_DRIVER_PATH or its plugin folder and
// calls RegisterOGRChart14 (the name it derives from the file name);
// GDALRegister_Chart14 is the same call under the name drivers usually have.
#include "ogr_chart14_write.hpp"

namespace readdata14::ogr {
namespace {

constexpr const char* OPEN_OPTIONS =
    "<OpenOptionList>"
    "  <Option name='ENCODING' type='string' description='Encoding of the texts (symbols, notes, description): any "
    "iconv name, e.g. CP1252. Without it, valid UTF-8 passes and other bytes are written as \\xNN'/>"
    "  <Option name='SRS' type='string' description='Spatial reference of the chart coordinates (anything "
    "OGRSpatialReference::SetFromUserInput takes: EPSG:4326, WKT, PROJ string). None by default'/>"
    "</OpenOptionList>";

constexpr const char* CREATION_OPTIONS =
    "<CreationOptionList>"
    "  <Option name='FIRST_TOKEN' type='string' description='The header&apos;s first token (one token: no white "
    "space). Default: the source&apos;s FIRST_TOKEN metadata item (a chart&apos;s), else readdata14'/>"
    "  <Option name='DESCRIPTION' type='string' description='The header&apos;s description (one token). Default: "
    "the source&apos;s DESCRIPTION metadata item, else chart'/>"
    "  <Option name='HEADER_INTEGERS' type='string' description='Up to five integers after the description, "
    "comma-separated. Default: the source&apos;s HEADER_INTEGERS metadata item, else 0,0,0,0,0'/>"
    "  <Option name='LINE_ENDS' type='string-select' default='LF' description='Line ends'>"
    "    <Value>LF</Value><Value>CRLF</Value>"
    "  </Option>"
    "  <Option name='ENCODING' type='string' description='Encoding of the texts in the file (any iconv name, e.g. "
    "CP1252): UTF-8 texts are recoded into it. Without it, texts are written as their UTF-8 bytes'/>"
    "  <Option name='STRICT' type='boolean' default='NO' description='Any feature not written, or a "
    "metadata item the header cannot take, fails the run and no chart is written, even under -skipfailures. "
    "Without it, a feature the format cannot carry fails its CreateFeature (ogr2ogr stops there unless "
    "-skipfailures)'/>"
    "</CreationOptionList>";

constexpr const char* LAYER_CREATION_OPTIONS =
    "<LayerCreationOptionList>"
    "  <Option name='SECTION' type='string-select' description='What the layer is written as. Default: the "
    "layer&apos;s name when it is one of these, else lines for lines, symbols or notes (with a first_text or "
    "second_text field) for points, weather_regions or fill_areas (with a value_1 field) for polygons'>"
    "    <Value>lines</Value><Value>line_symbols</Value><Value>symbols</Value><Value>closed_contours</Value>"
    "    <Value>weather_regions</Value><Value>fill_areas</Value><Value>notes</Value><Value>label_points</Value>"
    "  </Option>"
    "  <Option name='VALUE_FIELD' type='string' description='The numeric field whose value is the label of lines "
    "and contours (e.g. ELEV of gdal_contour); null gives NoLabel. Default: the fields label_kind, label_value, "
    "label_code; NoLabel without them'/>"
    "  <Option name='CODE_FIELD' type='string' description='The field that holds the code (of symbols and notes: "
    "the type). Default: code, or type'/>"
    "  <Option name='CODE' type='int' description='The code (or type) of features whose code field is missing or "
    "null'/>"
    "  <Option name='TEXT_FIELD' type='string' description='The field that holds a symbol&apos;s text or a "
    "note&apos;s first text. Default: text, or first_text'/>"
    "  <Option name='FID' type='string' description='Set by ogr2ogr to the source&apos;s FID column, so that the "
    "messages about a feature name its FID in the source (the chart has no FID column)'/>"
    "</LayerCreationOptionList>";

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
    // Writes new charts; a chart is never edited in place.
    driver->SetMetadataItem(GDAL_DCAP_CREATE, "YES");
    driver->SetMetadataItem(GDAL_DMD_CREATIONOPTIONLIST, readdata14::ogr::CREATION_OPTIONS);
    driver->SetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST, readdata14::ogr::LAYER_CREATION_OPTIONS);
    // Any field is taken: the driver reads those it knows by name.
    driver->SetMetadataItem(GDAL_DMD_CREATIONFIELDDATATYPES,
                            "Integer Integer64 Real String Date Time DateTime Binary IntegerList Integer64List "
                            "RealList StringList");
    driver->SetMetadataItem(GDAL_DMD_CREATIONFIELDDATASUBTYPES, "Boolean Int16 Float32 JSON UUID");
    driver->pfnCreate = readdata14::ogr::Chart14Writer::Create;
    GetGDALDriverManager()->RegisterDriver(driver);
}

extern "C" __attribute__((visibility("default"))) void RegisterOGRChart14() { GDALRegister_Chart14(); }
