#pragma once

#include "ReadResult.h"

#include <string>
#include <string_view>

// Parses the bytes of a book into records with ids 1..N in file order. Never throws; a structure
// error or memory exhaustion ends the parse and is returned with the records read before it.
ReadResult ReadSyntaxHelper(std::string_view data);

// Whether `value`, written between quotes and followed by `after` (the writer's "," or CR LF),
// reads back as exactly `value`. The format has no escaping, so some quote sequences cannot be
// written faithfully.
bool ReadsBackAsValue(std::string_view value, std::string_view after);
