// The builder behind the C handle, shared by the element-by-element calls
// (builder_api.cpp) and the layers' way back (layer_input_api.cpp).
#pragma once

#include "writing/chart_builder.hpp"

struct readdata14_builder {
    readdata14::writing::ChartBuilder chart;
};
