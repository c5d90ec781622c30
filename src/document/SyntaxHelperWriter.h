#pragma once

#include <ostream>

class CZETbrowserDoc;

// Writes the document as a book, record by record. Trims surrounding white space from every
// record's name and synonym in the document itself and, for a non-empty document written
// without a stream failure, clears the modified mark. False when the stream failed.
bool WriteSyntaxHelper(CZETbrowserDoc& doc, std::ostream& out);
