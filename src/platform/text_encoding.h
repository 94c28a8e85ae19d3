#pragma once
// Conversions between the UTF-8 strings used throughout the program and the UTF-16LE text of
// files written by Windows tools (profile files, text resources, macro files).

#include <cstddef>
#include <string>
#include <string_view>

namespace halvric {

// Decodes UTF-16LE bytes (no byte-order mark expected; an odd trailing byte is dropped).
// Unpaired surrogates become U+FFFD so the result is always valid UTF-8.
std::string Utf16LeToUtf8(std::string_view bytes);

// Encodes UTF-8 as UTF-16LE bytes. Invalid UTF-8 sequences become U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// Decodes a whole text file's bytes: UTF-16LE with byte-order mark, or UTF-8 with or without one.
// The byte-order mark is not part of the result.
std::string DecodeTextFile(std::string_view bytes);

// Decodes the UTF-8 sequence at `pos` (< s.size()) and moves `pos` past it. An invalid sequence
// gives U+FFFD and consumes one byte.
char32_t NextCodePoint(std::string_view s, size_t& pos);

// Number of code points in a UTF-8 string (invalid bytes count one each).
size_t Utf8Length(std::string_view utf8);

// The first `max_chars` code points of a UTF-8 string, never splitting a sequence.
std::string Utf8Prefix(std::string_view utf8, size_t max_chars);

}  // namespace halvric
