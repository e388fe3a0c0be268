// The viewer's page, its script and its style sheet, built into the program
// from the files in the view folder beside this one.
#pragma once

#include <string_view>

namespace modrask::harinfo {

// The HTML of the page; "{{TOKEN}}" stands where the request token goes.
std::string_view ViewPageHtml();
// The page's script (a JavaScript module).
std::string_view ViewPageScript();
// The page's style sheet.
std::string_view ViewPageStyle();

}  // namespace modrask::harinfo
