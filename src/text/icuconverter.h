#pragma once

struct UConverter;

// An ICU converter to Unicode by name, set so that every undecodable byte sequence becomes U+FFFD
// (ICU's own tables put U+001A for some). A converter ICU lacks ends the program: the encodings
// asked for are part of every ICU build.
UConverter* OpenToUnicodeConverter(const char* name);
