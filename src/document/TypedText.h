#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What the input form stores of text the user typed into a record field. Quotes and braces
// delimit values in a book, so typed ones are replaced before they reach the document; text the
// user did not touch keeps its bytes, whatever they are.
namespace TypedText {

// `field` (Windows-1251, the whole field as it will be stored) with the replacements made only in
// [begin, end), the part the user typed: every "{" becomes "<" and every "}" becomes ">"; a
// doubled quote that reads back from a book as written (two quotes alone, not at the field's
// start and followed inside the field by something other than a quote or a comma) is kept as
// it is; every other quote becomes two apostrophes. Linear in the field's size.
std::string StoreTypedSpan(std::string_view field, std::size_t begin, std::size_t end);

} // namespace TypedText
