// How chart14 diff shows a ChartDiff: lines for people, JSON for programs.
// Texts of the charts come out as the library escapes them (valid UTF-8 as it
// is, every other byte as \xNN, a backslash as \\); the text for people also
// escapes control bytes, so that each finding stays on its line.
#pragma once

#include <string>
#include <string_view>

#include "commands/chart_diff.hpp"

namespace readdata14::chart14 {

// Only what differs, section by section; nothing when the charts are the same.
std::string TextReport(const ChartDiff& diff);

// One JSON document: every section with its counts, and the elements kept.
//   {"a", "b" (the paths), "same", "header": [{"field", "a", "b"}],
//    "levels": {"same", "a": […], "b": […]},
//    "sections": {"lines": {"present": {"a", "b"}, "count": {"a", "b"},
//        "identical", "changed", "added", "removed", "block_differs",
//        "changed_elements": [{"index", "fields": [{"field", "a", "b"}],
//            "points": [{"list", "count": {"a", "b"}, "moved",
//                        "moved_points": [{"index", "a": [x,y], "b": [x,y], "by": [dx,dy]}]}]}],
//        "added_elements": [{"index", FIELD: value…, LIST: [[x,y]…]}],
//        "removed_elements": […]}, …}}
std::string JsonReport(const ChartDiff& diff, std::string_view pathA, std::string_view pathB);

}  // namespace readdata14::chart14
