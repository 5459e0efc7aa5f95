// Compiled by check_compile_failure.cmake with the include path of a layer:
// with the driver's it builds; with the reading layer's it must not, since the
// reading layer may not see the layers above it.
#include "driver/chart_reader.hpp"

int main() { return 0; }
