#pragma once

#include "FindQuery.h"
#include "IFieldMatcher.h"

#include <memory>
#include <string>

// The matcher a query asks for: literal text (LiteralMatcher, on the bytes) or a regular
// expression (RegexMatcher).
namespace FieldMatchers {

struct Build
{
    std::unique_ptr<IFieldMatcher> matcher; // null unless status is Ready
    FindStatus status = FindStatus::Ready;
    std::string error;     // with InvalidRegex: what is wrong (UTF-8)
    long errorOffset = -1; // and where in the pattern, in UTF-16 units
};

Build Make(const FindQuery& query);

} // namespace FieldMatchers
