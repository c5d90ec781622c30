#pragma once

#include "ReadResult.h"

#include <string>
#include <string_view>

// Parses the bytes of a book into records with ids 1..N in file order. Never throws; a structure
// error or memory exhaustion ends the parse and is returned with the records read before it.
ReadResult ReadSyntaxHelper(std::string_view data);

// The message box text (UTF-8) for a read error: the fixed message and, for a structure error,
// a second line telling where ("строка L, столбец C").
std::string ReadErrorMessage(const ReadError& error);
// Only the fixed message (UTF-8).
std::string ReadErrorText(ReadError::Kind kind);

// Whether `value`, written between quotes and followed by `after` (the writer's "," or CR LF),
// reads back as exactly `value`. The format has no escaping, so some quote sequences cannot be
// written faithfully.
bool ReadsBackAsValue(std::string_view value, std::string_view after);
