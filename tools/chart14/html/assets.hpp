// The script and style sheet of chart14 html's page (page/*.js,
// page/style.css), built into the tool: the page needs nothing beside it.
#pragma once

namespace readdata14::chart14 {

extern const char* const PAGE_SCRIPT;
extern const char* const PAGE_STYLE;

}  // namespace readdata14::chart14
