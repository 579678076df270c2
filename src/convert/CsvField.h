// Quoting of one CSV value. A value holding a comma, a double quote, a carriage return or a
// line feed is enclosed in double quotes with inner quotes doubled, and each line break inside
// it becomes one "\n" (which the file turns into CR LF). Every other value stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

bool NeedsQuoting(std::string_view value);
std::string QuoteCsvField(std::string_view value);

}  // namespace tenvor
