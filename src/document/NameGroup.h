#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One distinct record name and the records that bear it, in document order.
struct NameGroup
{
    std::vector<std::uint32_t> recordIds;
    std::string name;
};
