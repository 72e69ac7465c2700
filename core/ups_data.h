#pragma once

#include <cstddef>
#include <string>

namespace vq {

// Field `index` (counted from 0) of `text` split at `separator`. Two separators in
// a row make an empty field, and a field that the text does not reach is empty.
std::string ExtractField(const std::string& text, std::size_t index, char separator);

// True when the text holds only digits, commas and points; the empty text is one.
// A sign, a space or any other character makes a record's field not a number.
bool IsNumberText(const std::string& text);

// The value of a number text, with a comma or a point as its decimal mark whatever
// the process locale says; 0 for a text that does not read as a number ("1.2.3").
double NumberTextToFloat(const std::string& text);

}  // namespace vq
