// Whether two documents hold the same chart: every array bit for bit with
// its size, the header's fields, the sections present and the contours'
// file positions (not how the read ended: a read its handler stopped holds
// a chart that reads back whole). The writer's round trip is judged by it, in the tests and
// in the fuzz target, so it stays free of any test framework.
#pragma once

#include <string>

#include "readdata14/readdata14.h"

namespace readdata14::test {

// Empty when the two agree; otherwise the first field that differs.
std::string CompareDocuments(const readdata14_document& a, const readdata14_document& b);

}  // namespace readdata14::test
