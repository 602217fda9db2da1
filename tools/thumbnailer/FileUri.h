#pragma once
// The INPUT argument as a file manager hands it over: a plain path or a local file:// URI.
#include <optional>
#include <string>

// The local path a `file:` URI names, percent-escapes decoded byte for byte (names need not
// be UTF-8). Nothing for another scheme, a remote host, a bad escape or an escaped NUL.
// An argument that is not a URI is returned as it stands.
std::optional<std::string> PathFromArgument(const std::string& argument);
