#pragma once
// The single-byte Windows ANSI code pages 1250-1258 (Central European, Cyrillic, Western,
// Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese) as Unicode.

// The character `byte` stands for in `page`; ASCII as itself. A page outside 1250-1258 gives
// the byte's value (Latin-1).
char32_t AnsiToUnicode(int page, unsigned char byte);
