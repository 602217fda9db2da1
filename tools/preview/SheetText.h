#pragma once
// Texts of the contact sheet's page. File names are bytes in any encoding; the page is
// UTF-8, and every name goes into it twice: shown readably, and as a link from its raw bytes.
#include <string>
#include <string_view>

// `text` with &, <, >, " and ' as character references, for element text and quoted
// attribute values.
std::string HtmlEscape(std::string_view text);

// A path's bytes as a URL path: letters, digits, "-._~" and "/" as they are, every other
// byte as %HH (upper-case), so any name, UTF-8 or not, links to itself.
std::string PercentEncodePath(std::string_view path);

// A text of unknown encoding as UTF-8: valid UTF-8 as it is, else Shift-JIS (code page 932)
// converted, else each byte outside ASCII as \xHH. Control characters always come out as
// \xHH, so a name cannot break the page's lines.
std::string TextForPage(std::string_view text);

// A path the same way, each "/"-separated part on its own: a Shift-JIS file name in a UTF-8
// folder reads right.
std::string PathForPage(std::string_view path);

// One of the core's Shift-JIS messages as UTF-8.
std::string ShiftJisToUtf8(std::string_view text);
