#include "FieldMatchers.h"

#include "LiteralMatcher.h"
#include "RegexMatcher.h"

FieldMatchers::Build FieldMatchers::Make(const FindQuery& query)
{
    Build build;
    if (!query.regex) {
        build.matcher = LiteralMatcher::Create(query, build.status);
        return build;
    }
    RegexMatcher::Build regex = RegexMatcher::Create(query);
    build.matcher = std::move(regex.matcher);
    build.status = regex.status;
    build.error = std::move(regex.error);
    build.errorOffset = long(regex.errorOffset);
    return build;
}
