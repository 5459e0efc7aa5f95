// The script and style sheet of chart14 html's page (html_viewer.js,
// html_viewer.css), built into the tool: the page needs nothing beside it.
#pragma once

namespace readdata14::chart14 {

extern const char* const HTML_VIEWER_SCRIPT;
extern const char* const HTML_VIEWER_CSS;

}  // namespace readdata14::chart14
