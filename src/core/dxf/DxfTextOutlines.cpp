#include "DxfTextOutlines.h"

// The stroke font comes next; until then text draws nothing.
void TextOutlinesOf(const DxfEntity&, std::string_view, DxfOutlines&) {}
